#!/usr/bin/env bash
# Builds the settings file's fuzz target with clang (libFuzzer, ASan,
# UBSan; the CMake preset "fuzz") and runs it for a bounded time from the
# seed corpus in fuzz/corpus; a crash, a leak, undefined behaviour or a
# broken round trip fails the run.
# Usage: fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_settings
mkdir -p "$out/corpus"
# New inputs go to build/fuzz/corpus; the seeds in the repository stay.
if ! "$out/fuzz_settings" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
     -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" fuzz/corpus >"$out/last.log" 2>&1; then
  tail -n 80 "$out/last.log"
  echo "fuzzing found a fault (the input that shows it is in build/fuzz/, named crash-* or leak-*)"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$out/last.log"
echo "fuzzing: ${seconds} s, no finding"
