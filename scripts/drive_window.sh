#!/usr/bin/env bash
# Drives the real window under Xvfb as a person would: opens a picture in
# the open dialog (with its preview), converts it to every output format,
# presses "open output file" after each, and saves screenshots into docs/.
# Needs xvfb, xdotool and imagemagick.
#   scripts/drive_window.sh [program]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/app/varnelo}")
docs=$(realpath docs)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/convert -seed 4242 -size 320x240 plasma:fractal -blur 0x1.5 "$work/photo.png"

cat > "$work/drive.sh" <<SCRIPT
set -euo pipefail
cd "$work"
export XDG_RUNTIME_DIR=\$(mktemp -d)
"$program" & pid=\$!
sleep 2
main=\$(xdotool search --name "^Varnelo [0-9]" | head -1)
eval \$(xdotool getwindowgeometry --shell \$main)
mx=\$X; my=\$Y
click() { xdotool mousemove \$((mx + \$1)) \$((my + \$2)) click 1; sleep 0.7; }
click 52 19                                     # open picture
dialog=\$(xdotool search --onlyvisible --name "^Open$" | head -1)
eval \$(xdotool getwindowgeometry --shell \$dialog)
xdotool mousemove \$((X + 140)) \$((Y + 67)) click 1   # the picture in the list: preview
sleep 1
import -window root -crop \${WIDTH}x\${HEIGHT}+\$X+\$Y +repage "$docs/open-dialog.png"
xdotool key Return
sleep 1.5
convert_to() { # name, then the clicks that choose the format
  local name=\$1; shift
  for point in "\$@"; do click \${point% *} \${point#* }; done
  click 77 457                                  # create ascii picture
  sleep 3
  [[ \$name == plain ]] && import -window root -crop 450x492+\$mx+\$my +repage "$docs/after-conversion.png"
  click 317 457                                 # open output file
  echo "converted \$name"
}
convert_to plain "25 357"
convert_to css "151 357"
convert_to rtf "295 357"
convert_to bmp "385 357" "24 381"
convert_to jpg "136 381"
convert_to png "256 381"
kill \$pid
SCRIPT
xvfb-run -a --server-args="-screen 0 1024x768x24" bash "$work/drive.sh"
ls -la "$work"
