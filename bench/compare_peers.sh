#!/usr/bin/env bash
# Whole-process comparison of varnelo-convert with the peers that turn
# pictures into coloured text, on the six works users run:
#   W0  a 64 × 48 JPEG to plain HTML at its size (one picture of a batch)
#   W1  a 1600 × 1200 JPEG to plain HTML at 1600 × 1200
#   W2  a 4000 × 3000 JPEG to 200 × 150 plain HTML
#   W3  a 4000 × 3000 PNG to 200 × 150 plain HTML
#   W4  the 1600 × 1200 JPEG to a 120-column truecolor terminal text
#   W5  200 small JPEGs (W0's) in one call, each to its plain HTML
# and the image output at its size limit (423 × 461 cells to PNG), and the
# other picture types: a 4000 × 3000 WebP, AVIF, HEIC, TIFF and JPEG XL to
# 200 × 150 plain HTML against the format's own decoder and chafa, and
# the modes that draw with their characters (ramp, shapes, symbols) against
# binary, and symbols against chafa at the same cells.
#   bench/compare_peers.sh [build folder] [runs]
# Defaults: build/release (made when missing), 7 runs. Each work's commands
# run alternately, run after run; the table gives medians of wall time and
# the peak memory of one run, the ratios are peer / ours (above 1: we are
# faster). jp2a, img2txt (caca-utils) and chafa are installed from Debian
# when missing, for this script only.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=${1:-build/release}
runs=${2:-7}
data=build/bench-data
build_converter "$build"

missing=()
command -v jp2a >/dev/null || missing+=(jp2a)
command -v img2txt >/dev/null || missing+=(caca-utils)
command -v chafa >/dev/null || missing+=(chafa)
command -v djpeg >/dev/null || missing+=(libjpeg-turbo-progs) # for W1's floor
# The formats' own encoders and decoders.
command -v dwebp >/dev/null || missing+=(webp)
command -v avifdec >/dev/null || missing+=(libavif-bin)
command -v heif-convert >/dev/null || missing+=(libheif-examples)
command -v tiffcp >/dev/null || missing+=(libtiff-tools)
command -v djxl >/dev/null || missing+=(libjxl-tools)
if ((${#missing[@]} > 0)); then
  as_root=()
  [[ $(id -u) -ne 0 ]] && as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

make_new_types "$data"

converter=$build/cli/varnelo-convert
out=$data/out
mkdir -p "$out"
[[ "$data" != *" "* ]] || { echo "the bench folder's path may not hold spaces" >&2; exit 1; }

# Run before every command compare runs: nothing, unless a work needs it.
before_each() { :; }

# compare LABEL NAME=COMMAND...: the commands, ours first, alternately run
# after run (RUNS rounds, thirty times as many when ours takes under 20 ms),
# each writing to standard output (discarded), started without a shell. A row each: the median wall time, the peak memory of one run, the
# ratio to ours and whether it refused the work; ours_mb is ours, peer_mb
# the first peer's.
compare() {
  local label=$1 pair
  shift
  local -a names=() commands=()
  for pair in "$@"; do
    names+=("${pair%%=*}")
    commands+=("${pair#*=}")
  done
  local -A times=()
  local rounds=$runs
  for ((run = 0; run < rounds; run++)); do
    for i in "${!names[@]}"; do
      before_each
      # shellcheck disable=SC2086 # the commands are words
      times[$i]+=" $(time_once ${commands[$i]})"
    done
    # A work of a few milliseconds moves more from run to run than the
    # works differ: it is run thirty times as often, for a steady median.
    if ((run == 0)) && awk -v t="${times[0]##* }" 'BEGIN { exit !(t < 0.02) }'; then
      rounds=$((runs * 30))
    fi
  done
  local ours
  # shellcheck disable=SC2086
  ours=$(median_of ${times[0]})
  for i in "${!names[@]}"; do
    local seconds memory ratio note=""
    # shellcheck disable=SC2086
    seconds=$(median_of ${times[$i]})
    before_each
    # shellcheck disable=SC2086
    memory=$(peak_mb ${commands[$i]})
    ratio=$(awk -v a="$seconds" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')
    before_each
    # shellcheck disable=SC2086
    ${commands[$i]} >/dev/null 2>&1 || note="  (refused)"
    ((i == 0)) && ours_mb=$memory
    ((i == 1)) && peer_mb=$memory
    printf '%-5s %-12s %10s %8s %8s%s\n' "$label" "${names[$i]}" "$seconds" "$memory" "$ratio" "$note"
  done
}

# work NAME WIDTH HEIGHT PICTURE: ours and the three peers.
work() {
  local name=$1 width=$2 height=$3 picture=$4
  compare "$name" \
    "varnelo=$converter -q --seed 1 -f plain-html -W $width -H $height -o - $picture" \
    "jp2a=jp2a --colors --html --width=$width --height=$height $picture" \
    "img2txt=img2txt -W $width -H $height -f html $picture" \
    "chafa=chafa --format symbols --stretch --size ${width}x$height -c full $picture"
}

printf '%-5s %-12s %10s %8s %8s\n' work command "median s" "peak MB" "ratio"
work W0 64 48 "$data/small.jpg"
work W1 1600 1200 "$data/photo.jpg"
work W2 200 150 "$data/big.jpg"
work W3 200 150 "$data/big.png"

# W4: the photo as a 120-column truecolor text for a terminal (60 pixels of
# two characters each), against chafa and jp2a at 120 columns.
compare W4 \
  "varnelo=$converter -q --seed 1 -f ansi --colors truecolor -W 60 -o - $data/photo.jpg" \
  "jp2a=jp2a --colors --color-depth=24 --width=120 $data/photo.jpg" \
  "chafa=chafa --format symbols -s 120x40 -c full $data/photo.jpg"

# W5: 200 small JPEGs (W0's) in one call, each to its own document; the
# peers that take many files in one call write them all to standard output.
# In memory (/dev/shm) where there is one: what 200 new files cost on a disk
# is the file system's to say (an ext4 without journal that deleted files in
# the last minutes makes it three times the conversions' time), not ours.
batch=$data/batch
[[ -d /dev/shm && -w /dev/shm ]] && batch=/dev/shm/varnelo-bench-batch
mkdir -p "$batch"
for ((i = 0; i < 200; i++)); do
  [[ -f "$batch/small$i.jpg" ]] || cp "$data/small.jpg" "$batch/small$i.jpg"
done
pictures=$(for ((i = 0; i < 200; i++)); do printf '%s ' "$batch/small$i.jpg"; done)
# Ours would number its documents anew beside those of the run before:
# each run starts without them.
before_each() { rm -f "$batch"/*.html; }
compare W5 \
  "varnelo=$converter -q --seed 1 -f plain-html -W 64 -H 48 $pictures" \
  "jp2a=jp2a --colors --html --width=64 --height=48 $pictures" \
  "chafa=chafa --format symbols --stretch --size 64x48 -c full $pictures"
before_each() { :; }
[[ $batch == /dev/shm/* ]] && rm -rf "$batch"

# W1's floor: decoding the photo (djpeg, libjpeg-turbo-progs) plus copying
# a document of the same size into a file (dd, as cat does: read and write);
# ours writes its document over a file of the same folder, as a user's
# second conversion does, and should stay within 1.5 times it.
if command -v djpeg >/dev/null; then
  "$converter" -q --seed 1 -W 1600 -H 1200 -f plain-html -o "$out/W1-document.html" "$data/photo.jpg"
  decode=() copy=() ours=()
  for ((run = 0; run < runs; run++)); do
    decode+=("$(time_once djpeg -outfile /dev/null "$data/photo.jpg")")
    copy+=("$(time_once dd if="$out/W1-document.html" of="$out/W1-copy.html" bs=128k status=none)")
    ours+=("$(time_once "$converter" -q --seed 1 -W 1600 -H 1200 -f plain-html -o "$out/W1-ours.html" "$data/photo.jpg")")
  done
  awk -v d="$(median_of "${decode[@]}")" -v c="$(median_of "${copy[@]}")" \
    -v o="$(median_of "${ours[@]}")" \
    'BEGIN { printf "W1 floor: djpeg %.4f + copy into a file %.4f = %.4f s; ours into a file %.4f s, %.2f times it\n", d, c, d + c, o, o / (d + c) }'
fi

# The image output at its limit: 423 × 461 cells of 12 × 11 pixels.
limit=()
for ((run = 0; run < runs; run++)); do
  limit+=("$(time_once "$converter" -q --seed 1 -f png -W 423 -H 461 -o "$out/limit.png" "$data/photo.jpg")")
done
printf '%-4s %-8s %10s %8s\n' png varnelo "$(median_of "${limit[@]}")" \
  "$(peak_mb "$converter" -q --seed 1 -f png -W 423 -H 461 -o "$out/limit.png" "$data/photo.jpg")"

# The other picture types, each decoded whole by its library's own tool
# (writing the whole picture into a file of the bench folder: PPM, or YUV
# where the tool writes no RGB, the least work it can do) and by chafa
# (which reads no JPEG XL). Ours should take at most 1.3 times the tool's
# time and at most the decoded picture (4000 × 3000 × 3 bytes) plus 25 MB.
decoded_mb=$((4000 * 3000 * 3 / 1048576))
printf '\n%-5s %-12s %10s %8s %8s\n' type command "median s" "peak MB" "ratio"
# new_type TYPE TOOL COMMAND...: ours, the format's own decoder, chafa.
new_type() {
  local type=$1 tool=$2
  shift 2
  local picture=$data/big.$type
  compare "$type" "varnelo=$converter -q --seed 1 -f plain-html -W 200 -H 150 -o - $picture" \
    "$tool=$*" "chafa=chafa --format symbols --stretch --size 200x150 -c full $picture"
  printf '%-5s %s MB at most: %s\n' "$type" $((decoded_mb + 25)) \
    "$( ((ours_mb <= decoded_mb + 25)) && echo within || echo over)"
  # Where the library itself needs more than the decoded picture, the bound
  # is what its own tool needs, decoding to the least it can write, and 25 MB.
  if [[ $type == heic || $type == jxl ]]; then
    printf '%-5s %s MB at most (%s MB, its tool'"'"'s, + 25): %s\n' "$type" $((peer_mb + 25)) \
      "$peer_mb" "$( ((ours_mb <= peer_mb + 25)) && echo within || echo over)"
  fi
}
new_type webp dwebp dwebp "$data/big.webp" -ppm -o "$out/big.webp.ppm"
new_type avif avifdec avifdec "$data/big.avif" "$out/big.avif.y4m"
new_type heic heif-convert heif-convert "$data/big.heic" "$out/big.heic.y4m"
new_type tif tiffcp tiffcp "$data/big.tif" "$out/big.copy.tif"
new_type jxl djxl djxl "$data/big.jxl" "$out/big.jxl.ppm"

# The modes that draw the picture with their characters, against binary
# mode's time on W2's picture (the ratio is theirs / binary's): ramp should
# take at most 1.1 times it, shapes and symbols at most 2 times.
printf '\n%-5s %-12s %10s %8s %8s\n' mode command "median s" "peak MB" "ratio"
mode_of() { echo "$1=$converter -q --seed 1 -f plain-html -W 200 -H 150 -m $1 -o - $data/big.jpg"; }
compare mode "$(mode_of binary)" "$(mode_of ramp)" "$(mode_of shapes)" "$(mode_of symbols)"

# Symbols against chafa at the same cells, W2's picture to 200 × 150 of
# them in truecolor text: chafa at its default work factor and its most.
printf '\n%-5s %-12s %10s %8s %8s\n' cells command "median s" "peak MB" "ratio"
compare cells \
  "varnelo=$converter -q -m symbols -f ansi --colors truecolor -W 200 -H 150 -o - $data/big.jpg" \
  "chafa=chafa --format symbols --stretch --size 200x150 -c full $data/big.jpg" \
  "chafa-w9=chafa --format symbols --stretch --size 200x150 -c full -w 9 $data/big.jpg"
