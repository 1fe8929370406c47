#!/usr/bin/env bash
# Text for a terminal next to plain HTML: varnelo-convert -f ansi and
# -f plain-html of the 1600 × 1200 photo at 1600 × 1200, run alternately,
# with the median wall time of each and their ratio.
#   bench/terminal_output.sh [build folder] [runs]
# Defaults: build/release (made when missing), 9 runs of each.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=${1:-build/release}
runs=${2:-9}
data=build/bench-data
build_converter "$build"
make_photo "$data"
converter=$build/cli/varnelo-convert

ansi=() html=()
for ((i = 0; i < runs; i++)); do
  ansi+=("$(time_once "$converter" --seed 1 -W 1600 -H 1200 -f ansi --colors truecolor -o "$data/out.ans" "$data/photo.jpg")")
  html+=("$(time_once "$converter" --seed 1 -W 1600 -H 1200 -f plain-html -o "$data/out-plain.html" "$data/photo.jpg")")
done
ansi_median=$(median_of "${ansi[@]}")
html_median=$(median_of "${html[@]}")
printf '%-24s %10s %10s %12s\n' "command" "median s" "peak MB" "output MB"
for row in "ansi:$ansi_median:$data/out.ans" "plain-html:$html_median:$data/out-plain.html"; do
  IFS=: read -r format seconds output <<<"$row"
  memory=$(peak_mb "$converter" --seed 1 -W 1600 -H 1200 -f "$format" -o "$output" "$data/photo.jpg")
  printf '%-24s %10s %10s %12.1f\n' "-f $format" "$seconds" "$memory" \
    "$(awk -v s="$(stat -c %s "$output")" 'BEGIN { print s / 1048576 }')"
done
awk -v a="$ansi_median" -v h="$html_median" 'BEGIN { printf "ansi / plain-html: %.2f\n", a / h }'
