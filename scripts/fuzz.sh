#!/usr/bin/env bash
# Builds the settings engine's fuzz target with clang (libFuzzer, ASan,
# UBSan) and runs it for a bounded time on the seed corpus; any crash, leak,
# undefined behaviour or broken round trip fails the run.
# Usage: fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus"
[ -f fuzz/fuzz_settings.cpp ] || { echo "no fuzz target"; exit 0; }
