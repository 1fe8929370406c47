#!/usr/bin/env bash
# Makes the pictures of results the README shows, from the real programs:
# a photograph, its plain HTML as headless Chromium draws it, its
# PNG output as written, and its terminal output as a terminal shows it
# (captured from tmux and drawn by Chromium in a terminal's colours).
#   scripts/show_results.sh [converter] [folder]
# Writes results-picture.png, results-html.png, results-png.png,
# results-ramp.png, results-shapes.png, results-shapes-no-fill.png,
# results-symbols.png and results-terminal.png into the folder, docs/ when not given. Needs
# ImageMagick, chromium and tmux (scripts/setup.sh --test installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
converter=$(realpath "${1:-$root/build/release/cli/varnelo-convert}")
folder=${2:-$root/docs}
mkdir -p "$folder"
folder=$(realpath "$folder")
[[ -x $converter ]] || { echo "no converter at $converter: run scripts/run.sh first" >&2; exit 1; }
work=$(mktemp -d)
# shellcheck source=scripts/tmux_server.sh
source "$(dirname "$0")/tmux_server.sh"
trap 'endTmuxAndRemove "$work/tmux" "$work"' EXIT
convert=/usr/bin/convert

# A real photograph where Debian's python3-skimage has put its own (the
# README's are of its cat); else a landscape at dusk, drawn, and softened
# and grained like a photo, the same on every run.
photo=${VARNELO_RESULTS_PHOTO:-/usr/lib/python3/dist-packages/skimage/data/chelsea.png}
if [[ -f $photo ]]; then
  "$convert" "$photo" -strip "$work/picture.png"
else
  "$convert" -seed 1 -size 480x320 gradient:'#1b2a6b'-'#f59e4c' \
    -fill '#ffe9a8' -draw 'circle 330,170 330,132' \
    -fill '#2c3e50' -draw 'polygon 0,230 60,180 130,205 200,150 270,200 340,170 420,210 480,185 480,320 0,320' \
    -fill '#16222e' -draw 'polygon 0,260 90,225 170,250 250,215 330,255 410,235 480,250 480,320 0,320' \
    -fill '#355c7d' -draw 'rectangle 0,268 480,320' \
    -fill '#f8b878' -draw 'rectangle 300,275 360,279' -draw 'rectangle 312,288 348,291' \
    -blur 0x1.2 -attenuate 0.25 +noise Gaussian -depth 8 -strip "$work/picture.png"
fi
cp "$work/picture.png" "$folder/results-picture.png"

chromium_shot() { # HTML OUTPUT WIDTH HEIGHT
  timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --window-size="$3,$4" --screenshot="$2" "file://$1" \
    >/dev/null 2>&1
}

# Plain HTML at its default size, as a browser shows it.
"$converter" -q --seed 1 -f plain-html -o "$work/picture.html" "$work/picture.png"
chromium_shot "$work/picture.html" "$work/html.png" 1600 1100
"$convert" "$work/html.png" -trim +repage "$folder/results-html.png"

# The PNG output as written, in shading blocks, 100 pixels across.
"$converter" -q --seed 1 -f png -m blocks --blocks random -W 100 -o "$folder/results-png.png" \
  "$work/picture.png"

# The converter's modes that draw the picture with the characters
# themselves, at their defaults (on filled cells): by brightness, by shape,
# and by shape on white, unfilled.
"$converter" -q -f png -m ramp -o "$folder/results-ramp.png" "$work/picture.png"
"$converter" -q -f png -m shapes -o "$folder/results-shapes.png" "$work/picture.png"
"$converter" -q -f png -m shapes --no-fill -o "$folder/results-shapes-no-fill.png" "$work/picture.png"
# Symbols of two colours each, as the PNG draws them (by their parts).
"$converter" -q -f png -m symbols -o "$folder/results-symbols.png" "$work/picture.png"

# The picture in a 100 × 34 terminal with 24-bit colours, as typed there.
tmux_=(tmux -S "$work/tmux")
"${tmux_[@]}" new-session -d -x 100 -y 34 \
  "env -i HOME=$work TERM=xterm-256color COLORTERM=truecolor PATH=/usr/bin:/bin bash --norc"
"${tmux_[@]}" send-keys "clear; '$converter' --seed 1 '$work/picture.png'" Enter
sleep 2
"${tmux_[@]}" capture-pane -e -p >"$work/pane.ans"
# The captured escapes as HTML: each colour change a span.
perl -CSD -e '
  my %on; sub style { join ";", map { "$_:$on{$_}" } sort keys %on }
  print "<html><body style=\"margin:0;background:#000;color:#ccc\">";
  print "<pre style=\"font:13px/1 DejaVu Sans Mono;margin:8px\">";
  while (my $line = <STDIN>) {
    chomp $line;
    $line =~ s/&/&amp;/g; $line =~ s/</&lt;/g;
    # A line goes on in the colours the one before ended in.
    my $start = style();
    $line =~ s{\e\[([0-9;]*)m}{
      my @p = split /;/, ($1 eq "" ? "0" : $1); my $out = "";
      while (@p) {
        my $c = shift @p;
        if ($c == 0) { %on = () }
        elsif ($c == 38 && $p[0] == 2) { shift @p; $on{color} = sprintf "#%02x%02x%02x", splice @p, 0, 3 }
        elsif ($c == 48 && $p[0] == 2) { shift @p; $on{background} = sprintf "#%02x%02x%02x", splice @p, 0, 3 }
        elsif ($c == 39) { delete $on{color} } elsif ($c == 49) { delete $on{background} }
      }
      "</span><span style=\"" . style() . "\">"
    }ge;
    print "<span style=\"$start\">$line</span>\n";
  }
  print "</pre></body></html>";
' <"$work/pane.ans" >"$work/pane.html"
chromium_shot "$work/pane.html" "$work/terminal.png" 1000 600
"$convert" "$work/terminal.png" -crop 816x456+0+0 +repage "$folder/results-terminal.png"
echo "saved results-picture.png, results-html.png, results-png.png, results-ramp.png, results-shapes.png,"
echo "  results-shapes-no-fill.png, results-symbols.png and results-terminal.png in $folder"
