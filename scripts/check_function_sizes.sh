#!/usr/bin/env bash
# Fails when a function of the program (not of its tests) is longer than 60
# lines: past that it is doing more than one thing and wants splitting.
#   check_function_sizes.sh BUILD_DIR   (a build made with compile commands)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: check_function_sizes.sh BUILD_DIR}
mapfile -t files < <(git ls-files 'base/*.cpp' 'reading/*.cpp' 'engine/*.cpp' 'writers/*.cpp' \
  'platform/*.cpp' 'library/*.cpp' 'ui/*.cpp' 'cli/*.cpp' 'app/*.cpp')
config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 60}]}'
report=$(printf '%s\0' "${files[@]}" |
  xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$build" --quiet \
    -checks='-*,readability-function-size' -config="$config" 2>/dev/null |
  grep -E 'error:|warning:|note: [0-9]+ lines' || true)
if [[ -n $report ]]; then
  echo "$report"
  echo "Above: functions longer than 60 lines (split them along what they do), or what kept" >&2
  echo "clang-tidy from reading a file." >&2
  exit 1
fi
echo "all functions of ${#files[@]} files within 60 lines"
