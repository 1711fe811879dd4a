#!/usr/bin/env bash
# Builds the release build and starts the program. Without arguments it
# connects to the built-in simulated instrument; pass --port DEVICE for a real one.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
kr5061_install_packages

cmake --preset release
cmake --build --preset release
if [ "$#" -eq 0 ]; then
  set -- --simulate
fi
exec ./build/release/bin/kr5061 "$@"
