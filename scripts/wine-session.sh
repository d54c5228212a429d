# Sourced by the scripts that run Vorlex.exe under Wine: a display (Xvfb and
# the openbox window manager when none is set), a Wine prefix inside build/,
# a running, warmed wineserver, and a trap that stops all of it again.
#
# Without a window manager Wine waits 2 s for every window it hides, and
# focus and activation are not a desktop's; so the tests run on a desktop.
#
# VX_WINE32 is 1 when Wine runs 32-bit programs here (and so the 32-bit
# Vorlex.exe); where it cannot, only the 64-bit build can run under Wine,
# and VX_WINE32_WHY says why: Wine's 32-bit part (wine32:i386) could not be
# installed, or the machine cannot run 32-bit programs at all.
vx_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VX_WINE="$vx_root/scripts/wine-run"
VX_WINE32_WHY=
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  VX_WINE32=1
elif [ ! -e /usr/lib/wine/wine ]; then
  VX_WINE32=0 VX_WINE32_WHY="Wine's 32-bit part (wine32:i386) is not installed"
else
  VX_WINE32=0 VX_WINE32_WHY="this machine cannot run 32-bit programs"
fi
: "${WINEPREFIX:=$vx_root/build/wineprefix$([ "$VX_WINE32" = 1 ] || echo 64)}"
# Wine takes file names from X11 drops and host tools in the locale's
# encoding: under plain C it strips the high bit ("Jürgen" arrives broken).
# Its UI language follows LC_MESSAGES: Japanese, as on a Japanese desktop,
# where the locale is there (install-deps.sh makes it). scripts/wine-run
# gives it to Wine alone, so the host's tools keep their own language; a
# test of another language sets LC_MESSAGES itself.
unset LC_ALL LC_MESSAGES
export LANG=C.UTF-8 VX_WINE_MESSAGES=
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then VX_WINE_MESSAGES=ja_JP.UTF-8; fi
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" VX_WINE VX_WINE32
VX_XVFB_PID= VX_WM_PID=
# A display handed down from a session that has ended is no display: Wine
# would then make no window at all.
if [ -n "${DISPLAY:-}" ] && ! xdpyinfo >/dev/null 2>&1; then unset DISPLAY; fi
# The screen of a laptop made for 200 %: the windows at 192 DPI fit on it as
# they do on such a screen.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] || { export DISPLAY=":$n"; break; }
  done
  Xvfb "$DISPLAY" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
  VX_XVFB_PID=$!
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  VX_WM_PID=$!
  sleep 0.5
fi
vx_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$VX_WM_PID" ] || kill "$VX_WM_PID" >/dev/null 2>&1 || true
  [ -z "$VX_XVFB_PID" ] || kill "$VX_XVFB_PID" >/dev/null 2>&1 || true
}
trap vx_wine_stop EXIT
mkdir -p "$WINEPREFIX"
# The first start of a fresh prefix takes a while; its services must not
# inherit our output, or they would hold a caller's pipe open.
"$VX_WINE" wineboot -u </dev/null >/dev/null 2>&1
# Wine's fonts have no Japanese glyphs: let Japanese fonts stand in for the
# UI fonts and for the dialogs' "ＭＳ ゴシック" and "ＭＳ 明朝", or the menus
# and dialogs show boxes.
if [ ! -e "$WINEPREFIX/.vorlex-fonts" ] && [ -e /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ]; then
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" "ＭＳ ゴシック" "MS Gothic"; do
    "$VX_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f </dev/null >/dev/null 2>&1
  done
  for face in "ＭＳ 明朝" "MS Mincho"; do
    "$VX_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAMincho /f </dev/null >/dev/null 2>&1
  done
  touch "$WINEPREFIX/.vorlex-fonts"
fi
