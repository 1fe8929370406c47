#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a
# bounded time: one per picture format, and the whole conversion.
#   fuzz/run_fuzzers.sh [seconds per target] [targets...]
# Defaults: 600 seconds; bmp jpeg gif png webp avif heif tiff jxl conversion. Crashes land in
# fuzz/artifacts/; copy the ones worth keeping into fuzz/regressions/ once fixed.
# No allocation may exceed the loading bound of fuzz builds (kMaxLoadingBytes
# in base/picture_limits.h, 112 MiB); 512 MiB of memory in all leaves room
# for AddressSanitizer's quarantine (64 MiB here) and shadow. The conversion target loads
# Qt and every installed font besides, some 380 MiB under the sanitizer, and
# gets 1024 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(bmp jpeg gif png webp avif heif tiff jxl conversion)

cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNELO_FUZZ=ON -DVARNELO_SANITIZE=ON \
  -DVARNELO_BUILD_TESTS=OFF -DVARNELO_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target make_fuzz_seeds fuzz_conversion \
  fuzz_load_bmp fuzz_load_jpeg fuzz_load_gif fuzz_load_png \
  fuzz_load_webp fuzz_load_avif fuzz_load_heif fuzz_load_tiff fuzz_load_jxl >/dev/null

# Seeds: valid files of every variant the tests can make, and the broken ones.
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp
# AddressSanitizer keeps 256 MiB of freed memory by default, which with a
# load at the fuzz builds' limit and libFuzzer's own growth over a ten
# minutes' run came to 525 MiB for JPEG XL: a quarter of it leaves the
# limit to what the decoders take.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
build/fuzz/fuzz/make_fuzz_seeds fuzz/corpus
mkdir -p fuzz/artifacts
for target in "${targets[@]}"; do
  case $target in
    bmp) extension=bmp ;; jpeg) extension=jpg ;; gif) extension=gif ;; png) extension=png ;;
    webp) extension=webp ;; avif) extension=avif ;; heif) extension=heic ;;
    tiff) extension=tif ;; jxl) extension=jxl ;;
    conversion) extension='*' ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
  program=build/fuzz/fuzz/fuzz_load_$target
  rss=512
  if [[ $target == conversion ]]; then
    program=build/fuzz/fuzz/fuzz_conversion
    rss=1024
  fi
  corpus=fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n tests/data/bad/*."$extension" fuzz/regressions/*."$extension" "$corpus"/ 2>/dev/null || true
  echo "== fuzzing $target for $seconds s"
  "$program" "$corpus" \
    -max_total_time="$seconds" -max_len=65536 -timeout=20 \
    -malloc_limit_mb=112 -rss_limit_mb="$rss" \
    -artifact_prefix=fuzz/artifacts/"$target"- -print_final_stats=1 2>&1 |
    grep -E '^(#[0-9]+.*DONE|stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
done
ls fuzz/artifacts
