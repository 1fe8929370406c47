#!/usr/bin/env bash
# The window's pace against the converter's on the same work: the
# 1600 × 1200 photo to 1600 × 1200 plain HTML in Tahoma 8, each run of the
# window (offscreen, its progress shown as it goes) alternated with a run of
# varnelo-convert; medians and their ratio (window / converter).
#   bench/window_pace.sh [build folder] [runs]
# Defaults: build/release (made when missing), 9 runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=${1:-build/release}
runs=${2:-9}
data=build/bench-data
if [[ ! -x $build/bench/window_pace ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNELO_BUILD_TESTS=ON \
    -DVARNELO_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" --target window_pace varnelo-convert >/dev/null
fi
build_converter "$build"
make_photo "$data"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

window=() converter=()
for ((run = 0; run < runs; run++)); do
  window+=("$("$build/bench/window_pace" "$data/photo.jpg" 1 2>/dev/null | awk '{ print $1 / 1000 }')")
  start=$EPOCHREALTIME
  "$build/cli/varnelo-convert" -q --seed 1 -W 1600 -H 1200 -f plain-html \
    -o "$data/photo.converter.html" "$data/photo.jpg"
  end=$EPOCHREALTIME
  converter+=("$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")
done
w=$(median_of "${window[@]}")
c=$(median_of "${converter[@]}")
printf 'window %s s, converter %s s (whole process), window / converter: %s\n' "$w" "$c" \
  "$(awk -v a="$w" -v b="$c" 'BEGIN { printf "%.2f", a / b }')"
