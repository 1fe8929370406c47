#!/usr/bin/env bash
# Starts the window on a virtual X display and saves a screenshot of it, at
# a scale factor as high-DPI desktops set one (1 when not given).
#   scripts/screenshot.sh [program] [output.png] [scale factor]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/release/app/varnelo}
output=${2:-docs/window.png}
scale=${3:-1}
# The window is 450 × 492 at scale 1, with a title bar of openbox's when it is installed.
size=$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 470 * s, 545 * s }')
xvfb-run --auto-servernum --server-args="-screen 0 ${size}x24" bash -c "
  export XDG_RUNTIME_DIR=\$(mktemp -d) QT_SCALE_FACTOR='$scale'
  if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & sleep 0.5; fi
  '$program' &
  pid=\$!
  sleep 3
  import -window root '$output'
  kill \$pid
"
echo "saved $output"
