#!/usr/bin/env bash
# Whole-process comparison of varnelo-convert with the peers that turn
# pictures into coloured HTML, on one 1600 × 1200 photo-like picture at one
# character per pixel. Peers that are not installed are skipped.
#   bench/compare_peers.sh [build folder] [runs]
# Defaults: build/release (made when missing), 5 runs; medians of wall time,
# and the peak memory of one run of each.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=${1:-build/release}
runs=${2:-5}
data=build/bench-data
build_converter "$build"
make_photo "$data"

# median wall seconds of a command run $runs times; its output goes to $data/out.*
median() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    times+=("$(time_once "$@")")
  done
  median_of "${times[@]}"
}

converter=$build/cli/varnelo-convert

printf '%-28s %10s %10s %12s\n' "command" "median s" "peak MB" "output MB"
declare -A seconds
row() { # name output command...
  local name=$1 output=$2
  shift 2
  seconds[$name]=$(median "$@")
  local memory
  memory=$(peak_mb "$@")
  local size=0
  [[ -f "$output" ]] && size=$(stat -c %s "$output")
  printf '%-28s %10s %10s %12.1f\n' "$name" "${seconds[$name]}" "$memory" "$(awk -v s="$size" 'BEGIN {print s / 1048576}')"
}

row "varnelo plain html" "$data/out-plain.html" \
  "$converter" --seed 1 -f plain-html -o "$data/out-plain.html" "$data/photo.jpg"
row "varnelo css html" "$data/out-css.html" \
  "$converter" --seed 1 -f css-html -o "$data/out-css.html" "$data/photo.jpg"
row "varnelo rtf" "$data/out.rtf" "$converter" --seed 1 -f rtf -o "$data/out.rtf" "$data/photo.jpg"
row "varnelo png at the limit" "$data/out.png" \
  "$converter" --seed 1 -f png -W 423 -o "$data/out.png" "$data/photo.jpg"
row "cat of the plain html" "$data/out-plain.html" cat "$data/out-plain.html"
if command -v jp2a >/dev/null; then
  row "jp2a --colors --html" "" sh -c "jp2a --colors --html --width=1600 --height=1200 '$data/photo.jpg' > '$data/out-jp2a.html'"
fi
if command -v img2txt >/dev/null; then
  row "img2txt -f html" "" sh -c "img2txt -W 1600 -H 1200 -f html '$data/photo.jpg' > '$data/out-img2txt.html'"
fi

echo
ratio() {
  awk -v a="${seconds[$1]}" -v b="${seconds[$2]}" -v n="$1" -v d="$2" 'BEGIN {printf "%s / %s: %.2f\n", n, d, a / b}'
}
ratio "varnelo css html" "varnelo plain html"
if [[ -n "${seconds[jp2a --colors --html]:-}" ]]; then
  ratio "jp2a --colors --html" "varnelo plain html"
  ratio "jp2a --colors --html" "varnelo rtf"
fi
