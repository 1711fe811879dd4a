#!/usr/bin/env bash
# Builds the test build (Debug, AddressSanitizer + UndefinedBehaviorSanitizer,
# warnings as errors) and runs every test, then runs each fuzz harness for a
# few seconds. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
kr5061_install_packages

cmake --preset dev
cmake --build --preset dev
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/dev --output-on-failure --timeout 300

# Every reader of outside bytes gets a short fuzzing run; a crash fails the suite.
scripts/fuzz.sh 5
