#!/usr/bin/env bash
# Installs what building and testing Vorlex needs on Debian 12, as root.
# Each package is installed only when it is missing, so a second run is quick.
set -euo pipefail

need=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || need+=("$1"); }

for p in cmake make g++ libgtest-dev \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
         wine wine64 xvfb x11-utils openbox xdotool fonts-ipafont-gothic fonts-ipafont-mincho \
         clang-14 clang-format-14 libclang-rt-14-dev python3 python3-xlib; do
  want "$p"
done
# Vorlex.exe is a 32-bit program: Wine needs its 32-bit part.
dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; need+=(refresh); }
want wine32:i386

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  pkgs=()
  for p in "${need[@]}"; do [ "$p" = refresh ] || pkgs+=("$p"); done
  [ ${#pkgs[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${pkgs[@]}"
fi
