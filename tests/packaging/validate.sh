#!/usr/bin/env bash
# Runs a validator on an installed file; exit code 77 (skipped) when the
# validator is not installed.
#   validate.sh TOOL [ARGUMENTS...] FILE
# desktop-file-validate exits with 0 on warnings and hints, so anything it
# prints fails the check too.
set -euo pipefail
tool=$1
if ! command -v "$tool" >/dev/null; then
  echo "$tool is not installed (Debian: desktop-file-utils, appstream); skipped"
  exit 77
fi
status=0
output=$("$@" 2>&1) || status=$?
[[ -z $output ]] || printf "%s\n" "$output"
if [[ $status -ne 0 ]]; then
  exit "$status"
fi
if [[ "$tool" == desktop-file-validate && -n "$output" ]]; then
  exit 1
fi
