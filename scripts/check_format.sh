#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
[[ ${#files[@]} -eq 0 ]] && exit 0
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Some files are not formatted: run clang-format -i on them." >&2
  exit 1
fi
echo "all ${#files[@]} files formatted"
