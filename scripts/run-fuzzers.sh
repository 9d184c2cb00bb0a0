#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Fails on any crash, sanitizer report, timeout or out-of-memory.
#   scripts/run-fuzzers.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build/fuzz
CXX=clang++ cmake -S tests/fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null

status=0
for target in datalink split named_parameters; do
  work=$(mktemp -d)
  cp -r "tests/fuzz/corpus/$target/." "$work/"
  log="$build/fuzz_$target.log"
  if "$build/fuzz_$target" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -max_len=65536 -artifact_prefix="$build/crash-$target-" -print_final_stats=1 >"$log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -n 1)
    echo "fuzz_$target: ${runs:-done}, no fault found"
  else
    echo "fuzz_$target: FAULT FOUND (see $log)"
    tail -n 40 "$log"
    status=1
  fi
  rm -rf "$work"
done
exit $status
