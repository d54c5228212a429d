#!/usr/bin/env bash
# Installs what is missing, builds Vorlex.exe (build/windows/Vorlex.exe) and
# starts it under Wine. Its icon appears in Wine's notification area; it runs
# until you choose "終了" from the icon's right-click menu.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset windows -DVORLEX_E2E=OFF >/dev/null
cmake --build --preset windows --target Vorlex

source scripts/wine-session.sh
echo "Vorlex is running on display $DISPLAY (settings: build/windows/Vorlex.ini)."
wine build/windows/Vorlex.exe
