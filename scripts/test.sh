#!/usr/bin/env bash
# Installs what is missing, checks the format, builds every preset and runs
# every test: the native tests (with a bounded fuzzing run of the settings
# engine), then the end-to-end tests of the real Vorlex.exe under Wine on a
# virtual desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/format.sh --check
cmake --workflow --preset native
bash scripts/fuzz.sh 60
cmake --workflow --preset windows
cmake --workflow --preset windows64
# The release zips, one per build.
cmake --build --preset windows --target package
cmake --build --preset windows64 --target package
bash tests/check_package.sh build/windows win32
bash tests/check_package.sh build/windows64 win64

source scripts/wine-session.sh
if [ "$VX_WINE32" = 1 ]; then
  ctest --preset windows
else
  # The 32-bit Vorlex.exe cannot run under Wine here: it is checked as a
  # file, and the same Wine tests run on the 64-bit build.
  echo "The Wine tests run the 64-bit Vorlex.exe: $VX_WINE32_WHY."
  bash tests/check_exe.sh build/windows/Vorlex.exe i686-w64-mingw32-objdump i686
  ctest --preset windows64
fi
