#!/usr/bin/env bash
# A screenshot of the window beside the preview of its result, for a real
# photograph opened from the command line, on a virtual X display.
#   scripts/show_preview.sh [program] [output.png] [photo]
# Needs xvfb, xdotool and ImageMagick (scripts/setup.sh --test installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/app/varnelo}")
output=${2:-docs/window-preview.png}
photo=${3:-/usr/lib/python3/dist-packages/skimage/data/chelsea.png}
[[ -f $photo ]] || { echo "no photograph at $photo" >&2; exit 1; }
xvfb-run --auto-servernum --server-args="-screen 0 1160x560x24" bash -c "
  set -euo pipefail
  export XDG_RUNTIME_DIR=\$(mktemp -d)
  if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & sleep 0.5; fi
  '$program' '$photo' &
  pid=\$!
  sleep 3
  main=\$(xdotool search --name '^Varnelo [0-9]' | head -1)
  xdotool windowmove \$main 0 0
  preview=\$(xdotool search --name '^Varnelo - preview\$' | head -1)
  xdotool windowmove \$preview 470 0
  xdotool windowsize \$preview 680 520
  sleep 1.5
  import -window root '$output'
  kill \$pid
"
echo "saved $output"
