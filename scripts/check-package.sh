#!/usr/bin/env bash
# Checks the Debian package that `cmake --build --preset release --target
# package` wrote: lintian finds no error or warning; its name, control fields
# and dependencies, its file list, the copyright file and changelog, and that
# the installed desktop entry, AppStream file, manual pages, icons and programs
# are valid and the programs hardened. Usage: scripts/check-package.sh [PACKAGE.deb]
set -uo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(kr5061 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
deb=${1:-build/release/kr5061_${version}_${arch}.deb}
app_id=org.kr5061.Companion

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: runs the command, counts and reports it
  local what=$1 out
  shift
  if out=$("$@" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    [ -n "$out" ] && printf '%s\n' "$out" | sed 's/^/    /'
  fi
}
finish() {
  echo "package: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

if [ ! -f "$deb" ]; then
  failed=1
  echo "FAILED: no package $deb"
  finish
fi
echo "Checking $deb ($(stat -c %s "$deb") bytes)"

# An error or a warning fails; lintian's notes (I:) are shown for reading.
report=$(lintian --fail-on error,warning --display-info "$deb" 2>&1)
status=$?
report=$(grep -v '^running with root privileges' <<<"$report")
check "lintian: no error and no warning" test "$status" -eq 0
[ -n "$report" ] && printf '%s\n' "$report" | sed 's/^/    lintian: /'

info=$(dpkg-deb -I "$deb")
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
check "package name" test "$(field Package)" = kr5061
check "version $version" test "$(field Version)" = "$version"
check "architecture $arch" test "$(field Architecture)" = "$arch"
check "maintainer" test -n "$(field Maintainer)"
check "section" test "$(field Section)" = science
check "description" test -n "$(field Description)"
check "no homepage" test -z "$(field Homepage)"
depends=$(field Depends)
echo "Depends: $depends"
depends_names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
  libqt6printsupport6; do
  check "depends on $lib" grep -Fxq "$lib" <<<"$depends_names"
done

contents=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$contents" | sed 's|^\./|/|' | sort)
expected=(
  /usr/bin/kr5061
  /usr/bin/kr5061-sim
  /usr/share/kr5061/help/index.html
  "/usr/share/applications/$app_id.desktop"
  "/usr/share/metainfo/$app_id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  /usr/share/man/man1/kr5061.1.gz
  /usr/share/man/man1/kr5061-sim.1.gz
  /usr/share/doc/kr5061/copyright
  /usr/share/doc/kr5061/changelog.gz
  /usr/share/lintian/overrides/kr5061
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
check "file list is exactly the expected one" \
  diff <(printf '%s\n' "${expected[@]}" | sort) <(printf '%s\n' "$files")
check "every entry owned by root" test -z "$(awk '$2 != "root/root"' <<<"$contents")"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# The copyright file covers every file with the holder and the terms of LICENSE.
copyright_matches_license() {  # COPYRIGHT_FILE LICENSE_FILE PACKAGED_FILE...
  /usr/bin/python3 - "$@" <<'EOF'
import sys
from debian.copyright import Copyright

copyright_path, license_path, *packaged = sys.argv[1:]
with open(copyright_path, encoding="utf-8") as f:
    copyright = Copyright(f, strict=True)
with open(license_path, encoding="utf-8") as f:
    lines = f.read().splitlines()
holder = next(l for l in lines if l.startswith("Copyright (c) ")).removeprefix("Copyright (c) ")
terms = "\n".join(lines[next(i for i, l in enumerate(lines) if l.startswith("Permission")):])
texts = {p.license.synopsis: p.license.text for p in copyright.all_license_paragraphs()}
faults = []
for name in packaged:
    files = copyright.find_files_paragraph(name.lstrip("/"))
    if files is None:
        faults.append(f"{name}: no Files paragraph")
    elif files.copyright != holder:
        faults.append(f"{name}: copyright {files.copyright!r}, LICENSE says {holder!r}")
    elif (files.license.text or texts.get(files.license.synopsis)) != terms:
        faults.append(f"{name}: license {files.license.synopsis} is not the text of LICENSE")
if faults:
    print("\n".join(faults))
sys.exit(1 if faults else 0)
EOF
}
doc=$root/usr/share/doc/kr5061
check "copyright file: machine-readable, LICENSE's terms for every file" \
  copyright_matches_license "$doc/copyright" LICENSE $files
newest_entry_is() {  # newest_entry_is CHANGELOG.gz VERSION
  local newest
  newest=$(zcat "$1" | dpkg-parsechangelog -l - -S Version) && [ "$newest" = "$2" ] ||
    { echo "newest entry: ${newest:-none}"; return 1; }
}
check "changelog's newest entry is version $version" newest_entry_is "$doc/changelog.gz" "$version"
check "AppStream project license is MIT" \
  grep -q '<project_license>MIT</project_license>' "$root/usr/share/metainfo/$app_id.metainfo.xml"

check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net \
  "$root/usr/share/metainfo/$app_id.metainfo.xml"
for page in kr5061 kr5061-sim; do
  check "$page.1 has a NAME line" lexgrog "$root/usr/share/man/man1/$page.1.gz"
  if command -v mandoc >/dev/null; then
    check "$page.1 lints clean" mandoc -T lint -W warning "$root/usr/share/man/man1/$page.1.gz"
  fi
done
for size in "${sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  check "icon $size x $size" grep -q "PNG image data, $size x $size," <<<"$(file -b "$png")"
done
for program in kr5061 kr5061-sim; do
  check "$program is a stripped executable" \
    grep -q "ELF.*executable.*, stripped" <<<"$(file -b "$root/usr/bin/$program")"
done
# Built with Debian's hardening flags and stripped as Debian strips.
elf_has() {  # elf_has READELF_OPTION FILE PATTERN
  readelf -W "$1" "$2" | grep -E "$3" >/dev/null  # all of it read: no SIGPIPE
}
for program in kr5061 kr5061-sim; do
  elf=$root/usr/bin/$program
  check "$program: read-only relocations" elf_has -l "$elf" 'GNU_RELRO'
  check "$program: bound at start-up" elf_has -d "$elf" '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW'
  check "$program: stack protector" elf_has --dyn-syms "$elf" ' __stack_chk_fail\b'
  check "$program: no .comment section" test -z "$(readelf -W -S "$elf" | grep -F .comment)"
done
# The simulator's few candidates for checked calls are proved safe at compile
# time or take a buffer whose size only their caller knows, so only the window
# program shows checked functions (lintian notes hardening-no-fortify-functions).
check "kr5061: fortified functions" elf_has --dyn-syms "$root/usr/bin/kr5061" ' __[a-z0-9_]+_chk\b'

# The window's --version needs no display with the offscreen platform.
check "kr5061 --version prints $version" \
  grep -q " $version\$" <<<"$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/kr5061" --version 2>/dev/null)"
check "kr5061-sim --help" "$root/usr/bin/kr5061-sim" --help
finish
