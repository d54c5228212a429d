#!/usr/bin/env bash
# Installs what building and testing Vorlex needs on Debian 12, as root.
# Usage: install-deps.sh [run|test]   (default test: everything the tests use)
#
# A package source that cannot be reached, or a mirror caught in the middle
# of a sync, is an ordinary day: an apt-get update that reports errors is
# said in one line and the install goes on with the lists that are there.
# Packages go in groups, so that one that cannot be had does not stop the
# others; a failed group is tried again once after the lists are refreshed,
# then package by package. Only a package that the command truly needs ends
# the script, named; the rest are said in one line each.
# A package already installed is not asked for again, so a second run is quick.
set -uo pipefail

purpose=${1:-test}
export DEBIAN_FRONTEND=noninteractive
# An address that nothing answers on must not hold the set-up for minutes.
apt_opts=(-o Acquire::http::Timeout=20 -o Acquire::https::Timeout=20 -o Acquire::Retries=1)

say() { echo "install-deps: $*"; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

fresh=0  # the lists were fetched in this run
again=0  # the one refresh after a failed install was made
refresh_lists() {
  local log first
  log=$(mktemp)
  if ! apt-get "${apt_opts[@]}" update -qq >"$log" 2>&1; then
    first=$(grep -m1 -E '^(E|W):' "$log" | cut -c1-200)
    say "apt-get update reported errors; going on with the package lists there are (${first:-exit code not 0})"
  fi
  rm -f "$log"
  fresh=1
}
# After a failed install the lists are fetched once more, once a run: lists
# read in the middle of a mirror's sync can name files that are gone already.
refresh_again() {
  [ "$again" = 0 ] || return 0
  again=1
  refresh_lists
}

last_error=  # apt-get's first error of the last install that failed
try_install() {
  local log
  log=$(mktemp)
  if apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  last_error=$(grep -m1 -E '^E:' "$log" | cut -c1-200)
  rm -f "$log"
  return 1
}

# The groups: "need" fails the command when a package of it is missing at
# the end; "want" only says what is lost without it.
#   group name | need or want | for run, or for test alone | packages
groups=(
  "build tools|need|run|cmake make"
  "MinGW-w64 compilers|need|run|g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686"
  "Wine|need|run|wine wine64"
  "the desktop|need|run|xvfb x11-utils openbox"
  "Japanese fonts|want|run|fonts-ipafont-gothic fonts-ipafont-mincho"
  "native compiler and tests|need|test|g++ libgtest-dev valgrind"
  "clang (format check and fuzzing)|need|test|clang-14 clang-format-14 libclang-rt-14-dev"
  "real input|need|test|xdotool python3 python3-xlib"
  "locales|need|test|locales"
)

missing_of() {  # prints the packages of the list that are not installed
  local p
  for p in $1; do installed "$p" || printf '%s ' "$p"; done
}

lost=()  # packages the command needs that could not be installed
install_group() {
  local name=$1 kind=$2 pkgs=$3 left p
  left=$(missing_of "$pkgs")
  [ -n "$left" ] || return 0
  say "installing $name: ${left% }"
  [ "$fresh" = 1 ] || refresh_lists
  # shellcheck disable=SC2086
  try_install $left && return 0
  refresh_again
  left=$(missing_of "$pkgs")
  # shellcheck disable=SC2086
  [ -z "$left" ] || try_install $left && return 0
  # One by one, so that a package that cannot be had keeps no other out.
  for p in $(missing_of "$pkgs"); do try_install "$p" || true; done
  left=$(missing_of "$pkgs")
  [ -n "$left" ] || return 0
  if [ "$kind" = need ]; then
    # shellcheck disable=SC2206
    lost+=($left)
  else
    say "cannot install ${left% } ($name); going on without it"
  fi
}

for g in "${groups[@]}"; do
  IFS='|' read -r name kind use pkgs <<<"$g"
  [ "$use" = run ] || [ "$purpose" = test ] || continue
  install_group "$name" "$kind" "$pkgs"
done

# Vorlex.exe is a 32-bit program, and Wine runs it with its 32-bit part. It
# is optional: without it the 64-bit Vorlex.exe runs under Wine instead.
if ! installed wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    fresh=0  # the lists lack the new architecture's packages
  fi
  say "installing Wine's 32-bit part: wine32:i386"
  [ "$fresh" = 1 ] || refresh_lists
  if ! try_install wine32:i386 && ! { refresh_again && try_install wine32:i386; }; then
    say "cannot install wine32:i386 today (${last_error:-no reason given}); the 32-bit Vorlex.exe is built and checked, and Wine runs the 64-bit one"
  fi
fi

# Wine takes its ANSI code page from the locale: under ja_JP.UTF-8 it is
# Japanese Windows' 932, with which the system's profile functions judge a
# Shift-JIS settings file.
if [ "$purpose" = test ] && installed locales && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  say "generating the locale ja_JP.UTF-8"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || lost+=("the locale ja_JP.UTF-8")
fi

if [ ${#lost[@]} -gt 0 ]; then
  say "cannot install ${lost[*]}, which the $purpose command needs (${last_error:-no reason given})" >&2
  exit 1
fi
exit 0
