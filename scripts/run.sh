#!/usr/bin/env bash
# Installs what is missing, builds Vorlex.exe (build/windows/Vorlex.exe) and
# starts it under Wine on a desktop. Its icon appears in Wine's notification
# area; it runs until you choose "終了" from the icon's right-click menu. Where
# Wine cannot run 32-bit programs (its 32-bit part could not be installed, or
# the machine runs none) the 64-bit build (build/windows64/Vorlex.exe) runs
# instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run
source scripts/wine-session.sh
preset=windows
if [ "$VX_WINE32" != 1 ]; then
  preset=windows64
  echo "The 64-bit Vorlex.exe runs: $VX_WINE32_WHY."
fi
cmake --preset "$preset" -DVORLEX_E2E=OFF >/dev/null
cmake --build --preset "$preset" --target Vorlex
echo "Vorlex is running on display $DISPLAY (settings: build/$preset/Vorlex.ini)."
"$VX_WINE" "build/$preset/Vorlex.exe"
