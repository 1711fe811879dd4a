#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan; no Qt) and runs every
# harness for SECONDS seconds each (default 60), starting from the committed
# seeds in fuzz/corpus/<name>/. What the fuzzer finds new stays in
# build/fuzz/corpus/<name>/ for the next run; a crashing input is written to
# build/fuzz/artifacts/ and the script exits non-zero.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     e.g. scripts/fuzz.sh 600 journal
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
harnesses=("$@")
if [ "${#harnesses[@]}" -eq 0 ]; then
  harnesses=(journal measurement ini receive publish)
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/artifacts
failed=()
for name in "${harnesses[@]}"; do
  scratch="build/fuzz/corpus/$name"
  mkdir -p "$scratch"
  echo "== fuzz_$name for ${seconds} s"
  if ! build/fuzz/bin/"fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$name-" \
      "$scratch" "fuzz/corpus/$name" 2> "build/fuzz/$name.log"; then
    tail -40 "build/fuzz/$name.log" >&2
    failed+=("$name")
  else
    grep -E '^stat::number_of_executed_units' "build/fuzz/$name.log" || true
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Fuzzing found failures in: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
