#!/usr/bin/env bash
# Builds the picture decoders' fuzz targets with clang and libFuzzer and runs
# each for a bounded time.
#   fuzz/run_fuzzers.sh [seconds per format] [formats...]
# Defaults: 600 seconds; bmp jpeg gif png. Crashes land in fuzz/artifacts/;
# copy the ones worth keeping into fuzz/regressions/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
formats=("$@")
[[ ${#formats[@]} -eq 0 ]] && formats=(bmp jpeg gif png)

cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNELO_FUZZ=ON -DVARNELO_SANITIZE=ON -DVARNELO_BUILD_UI=OFF \
  -DVARNELO_BUILD_TESTS=OFF -DVARNELO_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null

# Seeds: valid files of every variant the tests can make, and the broken ones.
build/fuzz/fuzz/make_fuzz_seeds fuzz/corpus
mkdir -p fuzz/artifacts
for format in "${formats[@]}"; do
  case $format in
    bmp) extension=bmp ;; jpeg) extension=jpg ;; gif) extension=gif ;; png) extension=png ;;
    *) echo "unknown format $format" >&2; exit 2 ;;
  esac
  corpus=fuzz/corpus/$format
  mkdir -p "$corpus"
  cp -n tests/data/bad/*."$extension" "$corpus"/ 2>/dev/null || true
  echo "== fuzzing $format for $seconds s"
  build/fuzz/fuzz/fuzz_load_"$format" "$corpus" \
    -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix=fuzz/artifacts/"$format"- -print_final_stats=1 2>&1 |
    grep -E '^(#[0-9]+.*DONE|stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
done
ls fuzz/artifacts
