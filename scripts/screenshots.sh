#!/usr/bin/env bash
# Pictures of Vorlex on the Wine desktop (Xvfb, openbox, the IPA fonts standing
# in for the Japanese ones), written to docs/screenshots/ as PNG files.
# Builds what it needs first. Usage: scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
command -v python3 >/dev/null || { apt-get update -qq && apt-get install -y -qq python3; }
source scripts/wine-session.sh
# The 64-bit build runs wherever Wine does; the pictures are the same.
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 --target vorlex_screenshots

# The Japanese pictures as a Japanese desktop shows them, then the English
# ones (named "en-...") under an English UI language.
out=build/windows64/screenshots
rm -rf "$out" && mkdir -p "$out/ja" "$out/en"
"$VX_WINE" build/windows64/vorlex_screenshots.exe "$("$VX_WINE" winepath -w "$out/ja" 2>/dev/null)"
LC_MESSAGES=en_US.UTF-8 "$VX_WINE" build/windows64/vorlex_screenshots.exe \
  "$("$VX_WINE" winepath -w "$out/en" 2>/dev/null)" en
mkdir -p docs/screenshots
args=()
for bmp in "$out"/ja/*.bmp; do
  args+=("$bmp" "docs/screenshots/$(basename "${bmp%.bmp}").png")
done
for bmp in "$out"/en/*.bmp; do
  args+=("$bmp" "docs/screenshots/en-$(basename "${bmp%.bmp}").png")
done
python3 tools/bmp_to_png.py "${args[@]}"
ls -l docs/screenshots
