#!/usr/bin/env bash
# Starts the window on a virtual X display and saves a screenshot of it.
#   scripts/screenshot.sh [program] [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/release/app/varnelo}
output=${2:-docs/window.png}
xvfb-run --auto-servernum --server-args="-screen 0 470x500x24" bash -c "
  export XDG_RUNTIME_DIR=\$(mktemp -d)
  '$program' &
  pid=\$!
  sleep 3
  import -window root '$output'
  kill \$pid
"
echo "saved $output"
