#!/usr/bin/env bash
# Installs what is missing, builds Varnelo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release \
  -DVARNELO_BUILD_TESTS=OFF -DVARNELO_BUILD_BENCH=OFF
cmake --build build/release -j"$(nproc)"
exec build/release/app/varnelo
