#!/bin/sh
# Resident memory of the program: after start-up (the real program with the
# simulated instrument, offscreen, link up, no run), then after a full run and
# after 100 loaded logger sets (kr5061-memory-probe, which builds the same
# windows). Needs the release build: cmake --preset release && cmake --build --preset release
set -eu
bin="$(dirname "$0")/../build/release/bin"
export QT_QPA_PLATFORM=offscreen

"$bin/kr5061" --simulate >/dev/null 2>&1 &
pid=$!
sleep 4
rss=$(awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
kill "$pid"
wait "$pid" 2>/dev/null || true
printf '%-34s VmRSS %7s MB\n' "kr5061 --simulate after start-up" "$rss"

"$bin/kr5061-memory-probe"
