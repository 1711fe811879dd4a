#!/usr/bin/env bash
# Checks the Debian package that `cmake --build --preset release --target
# package` wrote: its name, control fields and dependencies, its file list, and
# that the installed desktop entry, AppStream file, manual pages, icons and
# programs are valid. Usage: scripts/check-package.sh [PACKAGE.deb]
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
# The window's --version needs no display with the offscreen platform.
check "kr5061 --version prints $version" \
  grep -q " $version\$" <<<"$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/kr5061" --version 2>/dev/null)"
check "kr5061-sim --help" "$root/usr/bin/kr5061-sim" --help
finish
