# Sourced by the scripts that run Vorlex.exe under Wine: a display (Xvfb when
# none is set), a Wine prefix inside build/, a running, warmed wineserver,
# and a trap that stops all of it again.
: "${WINEPREFIX:=$PWD/build/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
VX_XVFB_PID=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] || { export DISPLAY=":$n"; break; }
  done
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  VX_XVFB_PID=$!
  sleep 1
fi
vx_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$VX_XVFB_PID" ] || kill "$VX_XVFB_PID" >/dev/null 2>&1 || true
}
trap vx_wine_stop EXIT
mkdir -p "$WINEPREFIX"
# The first start of a fresh prefix takes a while; its services must not
# inherit our output, or they would hold a caller's pipe open.
wineboot -u </dev/null >/dev/null 2>&1
# Wine's menu and dialog fonts have no Japanese glyphs: let a Japanese font
# stand in for them, or the menus show boxes.
if [ ! -e "$WINEPREFIX/.vorlex-fonts" ] && [ -e /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ]; then
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f </dev/null >/dev/null 2>&1
  done
  touch "$WINEPREFIX/.vorlex-fonts"
fi
