#!/usr/bin/env bash
# Checks a release zip: one folder holding Vorlex.exe, the same bytes as the
# build's, and the read-me for Windows users.
# Usage: check_package.sh build-folder win32|win64
set -euo pipefail
build=$1 kind=$2
zip="$build/Vorlex-1.22-$kind.zip"
[ -f "$zip" ] || { echo "FAIL: no $zip"; exit 1; }
/usr/bin/python3 - "$zip" "$build/Vorlex.exe" "Vorlex-1.22-$kind" <<'PY'
import sys, zipfile
zip_path, exe_path, top = sys.argv[1:]
names = sorted(zipfile.ZipFile(zip_path).namelist())
want = sorted([top + "/Vorlex.exe", top + "/README.txt"])
if names != want:
    sys.exit("FAIL: %s holds %s, not %s" % (zip_path, names, want))
if zipfile.ZipFile(zip_path).read(top + "/Vorlex.exe") != open(exe_path, "rb").read():
    sys.exit("FAIL: the zip's Vorlex.exe is not the build's")
print("ok: %s holds %s" % (zip_path, ", ".join(names)))
PY
