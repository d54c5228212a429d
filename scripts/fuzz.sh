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
  platform/text.cpp platform/toolkit.cpp platform/headless/headless.cpp platform/headless/posix_files.cpp \
  -o "$out/fuzz_settings"
# New inputs go to build/fuzz/corpus; the seeds in the repository stay.
"$out/fuzz_settings" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
  -print_final_stats=1 "$out/corpus" fuzz/corpus 2>&1 | tail -n 25
echo "fuzzing: ${seconds} s, no finding"
