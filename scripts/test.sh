#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the
# native tests, then the end-to-end tests of the real Vorlex.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --workflow --preset native
cmake --workflow --preset windows
cmake --workflow --preset windows64   # the 64-bit program must compile too

source scripts/wine-session.sh
ctest --preset windows
