# Shared by the whole-process benchmarks: sourced, not run.
#   build_converter BUILD      builds varnelo-convert (Release), configuring BUILD
#                              when missing, so a bench never runs a stale one
#   make_photo DATA            DATA/photo.png and photo.jpg, 1600 × 1200, photo-like
#   make_pictures DATA         that, and DATA/small.jpg (64 × 48) and big.jpg, big.png (4000 × 3000)
#   make_new_types DATA        DATA/big.webp, .avif, .heic, .tif and .jxl from big.png, each
#                              made by its format's own encoder (Debian's tools)
#   time_once COMMAND...       wall seconds of one run, its output discarded
#   median_of SECONDS...       the median
#   peak_mb COMMAND...         the peak resident memory of one run, in MB

build_converter() {
  local build=$1
  if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNELO_BUILD_TESTS=OFF \
      -DVARNELO_BUILD_BENCH=OFF >/dev/null
  fi
  cmake --build "$build" -j"$(nproc)" --target varnelo-convert >/dev/null
}

# ImageMagick draws the photo; installed from Debian when missing, as the
# benchmarks' own tool, never the tests'.
make_photo() {
  local data=$1
  mkdir -p "$data"
  [[ -f "$data/photo.png" && -f "$data/photo.jpg" ]] && return
  # Debian's own, not whatever else is called convert on the PATH.
  local convert=/usr/bin/convert
  if ! "$convert" -version 2>/dev/null | grep -q ImageMagick; then
    local as_root=()
    [[ $(id -u) -ne 0 ]] && as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
      imagemagick >/dev/null
  fi
  "$convert" -seed 4242 -size 1600x1200 plasma:fractal -blur 0x1.5 -attenuate 0.15 \
    +noise Gaussian -strip "$data/photo.png"
  "$convert" "$data/photo.png" -quality 90 -sampling-factor 4:2:0 "$data/photo.jpg"
}

make_pictures() {
  local data=$1
  make_photo "$data"
  local convert=/usr/bin/convert
  [[ -f "$data/small.jpg" ]] ||
    "$convert" "$data/photo.png" -resize 64x48 -quality 90 -sampling-factor 4:2:0 "$data/small.jpg"
  if [[ ! -f "$data/big.jpg" || ! -f "$data/big.png" ]]; then
    "$convert" -seed 4343 -size 4000x3000 plasma:fractal -blur 0x2 -attenuate 0.15 \
      +noise Gaussian -depth 8 -strip "$data/big.png"
    "$convert" "$data/big.png" -quality 90 -sampling-factor 4:2:0 "$data/big.jpg"
  fi
}

make_new_types() {
  local data=$1 big=$1/big.png
  make_pictures "$data"
  [[ -f "$data/big.webp" ]] || cwebp -quiet -q 90 "$big" -o "$data/big.webp"
  [[ -f "$data/big.avif" ]] || avifenc -j all -s 8 --min 20 --max 30 "$big" "$data/big.avif" >/dev/null
  [[ -f "$data/big.heic" ]] || heif-enc -q 90 "$big" -o "$data/big.heic" >/dev/null
  # A scan as scanners write it: LZW in strips of a few rows.
  [[ -f "$data/big.tif" ]] || /usr/bin/convert "$big" -compress lzw "$data/big.tif"
  [[ -f "$data/big.jxl" ]] || cjxl --quiet -d 1 "$big" "$data/big.jxl" 2>/dev/null
}

# The command started by posix_spawn (bench/spawn_time.cpp, built here on
# first use): a shell's fork copies the shell's page tables, which in a
# virtual machine costs milliseconds that are neither command's and would
# pull every ratio towards 1. Without a compiler, bash's own clock.
spawn_timer=build/bench-tools/spawn_time
if [[ ! -x $spawn_timer || bench/spawn_time.cpp -nt $spawn_timer ]]; then
  mkdir -p "${spawn_timer%/*}"
  c++ -O2 -o "$spawn_timer" bench/spawn_time.cpp 2>/dev/null || rm -f "$spawn_timer"
fi

time_once() {
  if [[ -x $spawn_timer ]]; then
    "$spawn_timer" "$@" 2>/dev/null || echo 0
    return
  fi
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

median_of() {
  printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { printf "%.4f", a[int((NR + 1) / 2)] }'
}

# A command that refuses its work still has its peak measured.
peak_mb() {
  { /usr/bin/time -f %M "$@" 2>&1 >/dev/null || true; } | tail -n 1 |
    awk '{ printf "%.0f", $1 / 1024 }'
}
