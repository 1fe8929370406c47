#!/usr/bin/env bash
# Installs what is missing, builds Varnelo and runs every test: the format
# check, the test suite, and the suite once more under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/setup.sh --test

export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

echo "== format"
scripts/check_format.sh

echo "== tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNELO_WERROR=ON
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVARNELO_WERROR=ON \
  -DVARNELO_SANITIZE=ON -DVARNELO_BUILD_BENCH=OFF
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"
