#!/usr/bin/env bash
# Builds the settings file's fuzz target with clang (libFuzzer, ASan,
# UBSan) and runs it for a bounded time from the seed corpus in fuzz/corpus;
# a crash, a leak, undefined behaviour or a broken round trip fails the run.
# Usage: fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus"
# clang takes UTF-8 literals only; the engine's rules do not depend on the
# texts of its messages.
clang++-14 -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/fuzz_settings.cpp fuzz/reference_profile.cpp core/profile.cpp core/Unit_File.cpp core/Unit_All.cpp \
  core/launch.cpp platform/text.cpp platform/codepage.cpp platform/patient_files.cpp platform/pixels.cpp platform/toolkit/*.cpp platform/headless/headless.cpp platform/headless/headless_controls.cpp \
  platform/headless/posix_files.cpp platform/headless/iconv_codepage.cpp \
  -o "$out/fuzz_settings"
# New inputs go to build/fuzz/corpus; the seeds in the repository stay.
if ! "$out/fuzz_settings" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
     -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" fuzz/corpus >"$out/last.log" 2>&1; then
  tail -n 80 "$out/last.log"
  echo "fuzzing found a fault (the input that shows it is in build/fuzz/, named crash-* or leak-*)"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$out/last.log"
echo "fuzzing: ${seconds} s, no finding"
