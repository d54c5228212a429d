#!/usr/bin/env bash
# Formats every C++ source of the tree with .clang-format, or with --check
# only says which files differ from it and fails then.
# Usage: format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  clang-format-14 --style=file --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format has them"
else
  clang-format-14 --style=file -i "${files[@]}"
fi
