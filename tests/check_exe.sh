#!/usr/bin/env bash
# Checks what Vorlex.exe must be: a terminal-server-aware Windows GUI program of at most 1 MiB
# that imports only system DLLs (nothing of MinGW's beside it), 32-bit
# unless the build is the 64-bit one.
# Usage: check_exe.sh Vorlex.exe objdump [i686|x86_64]
set -euo pipefail
exe=$1 objdump=$2 arch=${3:-i686}
format='pei-i386'; [ "$arch" = x86_64 ] && format='pei-x86-64'
headers=$("$objdump" -p "$exe")
fail() { echo "FAIL: $*"; exit 1; }
grep -q "file format $format" <<<"$headers" || fail "not a $format program"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI program"
grep -q 'TERMINAL_SERVICE_AWARE' <<<"$headers" || fail "not terminal-server aware"
size=$(stat -c %s "$exe")
[ "$size" -le 1048576 ] || fail "$size bytes, more than 1 MiB"
system='^(KERNEL32|USER32|GDI32|SHELL32|SHLWAPI|OLE32|COMCTL32|COMDLG32|ADVAPI32|MSVCRT)\.DLL$'
while read -r dll; do
  grep -qiE "$system" <<<"$dll" || fail "imports $dll"
done < <(sed -n 's/^.*DLL Name: //p' <<<"$headers")
echo "ok: PE32 GUI, $size bytes, imports: $(sed -n 's/^.*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
