#!/usr/bin/env bash
# How the converter's cost grows with the work: the photo to plain HTML at
# its own size at 1, 2 and 4 times its pixels (time and peak memory per
# megapixel should stay flat), and batches of 100, 200 and 400 small JPEGs
# in one call (time per picture should stay flat).
#   bench/growth.sh [build folder] [runs]
# Defaults: build/release (made when missing), 7 runs; medians of wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=${1:-build/release}
runs=${2:-7}
data=build/bench-data
build_converter "$build"
make_pictures "$data"
converter=$build/cli/varnelo-convert
convert=/usr/bin/convert

# Documents and batches in memory where there is some (see compare_peers.sh).
out=$data/out
[[ -d /dev/shm && -w /dev/shm ]] && out=/dev/shm/varnelo-bench-growth
mkdir -p "$out"

printf '%-10s %10s %10s %8s %14s %12s\n' pixels size "median s" "peak MB" "ms per MPixel" "MB per MPixel"
for factor in 1 2 4; do
  width=$(awk -v f="$factor" 'BEGIN { printf "%d", 1600 * sqrt(f) + 0.5 }')
  height=$(awk -v f="$factor" 'BEGIN { printf "%d", 1200 * sqrt(f) + 0.5 }')
  picture=$data/photo-$factor.jpg
  [[ -f "$picture" ]] || "$convert" "$data/photo.png" -resize "${width}x$height!" -quality 90 \
    -sampling-factor 4:2:0 "$picture"
  command=("$converter" -q --seed 1 -W "$width" -H "$height" -f plain-html -o "$out/growth.html" "$picture")
  times=()
  for ((run = 0; run < runs; run++)); do
    times+=("$(time_once "${command[@]}")")
  done
  seconds=$(median_of "${times[@]}")
  memory=$(peak_mb "${command[@]}")
  awk -v f="$factor" -v w="$width" -v h="$height" -v s="$seconds" -v m="$memory" 'BEGIN {
    mp = w * h / 1e6
    printf "%-10s %10s %10s %8s %14.1f %12.1f\n", f "x", w "x" h, s, m, 1000 * s / mp, m / mp }'
done

printf '\n%-10s %10s %8s %14s\n' pictures "median s" "peak MB" "ms per picture"
batch=$out/batch
mkdir -p "$batch"
for count in 100 200 400; do
  pictures=()
  for ((i = 0; i < count; i++)); do
    [[ -f "$batch/small$i.jpg" ]] || cp "$data/small.jpg" "$batch/small$i.jpg"
    pictures+=("$batch/small$i.jpg")
  done
  times=()
  for ((run = 0; run < runs; run++)); do
    rm -f "$batch"/*.html
    times+=("$(time_once "$converter" -q --seed 1 -f plain-html -W 64 -H 48 "${pictures[@]}")")
  done
  rm -f "$batch"/*.html
  seconds=$(median_of "${times[@]}")
  memory=$(peak_mb "$converter" -q --seed 1 -f plain-html -W 64 -H 48 "${pictures[@]}")
  awk -v c="$count" -v s="$seconds" -v m="$memory" \
    'BEGIN { printf "%-10s %10s %8s %14.3f\n", c, s, m, 1000 * s / c }'
done
rm -f "$batch"/*.html "$out/growth.html"
[[ $out == /dev/shm/* ]] && rm -rf "$out"
