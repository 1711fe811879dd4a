#!/usr/bin/env bash
# systemd-analyze verify on the bridge's template unit before it is installed:
# an instance of it, with its program and manual page taken from where they
# were built or unpacked instead of /usr. Usage:
#   scripts/verify-unit.sh UNIT PROGRAM MANPAGE
set -euo pipefail
unit=$1 program=$2 page=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/man/man1"
cp "$page" "$dir/man/man1/"
name=$(basename "$unit")
sed "s|/usr/bin/kr5061|$program|g" "$unit" >"$dir/${name/@./@check.}"
# A setting systemd ignores is only a message: any message fails the check.
out=$(MANPATH=$dir/man systemd-analyze verify "$dir/${name/@./@check.}" 2>&1)
[ -z "$out" ] || { printf '%s\n' "$out"; exit 1; }
