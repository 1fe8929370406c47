#!/usr/bin/env bash
# What a program embedding the library does once it is installed: builds the
# README's C example with pkg-config alone, converts a photo to HTML with it
# and reads its cells, then does the same from Python with the module as
# installed; the HTML is the converter's.
#   check_library_embedding.sh STAGE SOURCE_DIR PHOTO
set -euo pipefail
stage=$1 source=$2 photo=$3
[[ -f $photo ]] || { echo "no photo at $photo (python-matplotlib-data)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export PKG_CONFIG_PATH=$stage/lib/pkgconfig LD_LIBRARY_PATH=$stage/lib
# shellcheck disable=SC2046 # pkg-config's words are the compiler's arguments
cc -std=c99 -Wall -Wextra -Werror "$source/docs/examples/photo_to_html.c" \
  $(pkg-config --cflags --libs varnelo) -o "$work/photo_to_html"
said=$("$work/photo_to_html" "$photo" "$work/photo.html")
[[ $said =~ ^[0-9]+\ x\ 40\ cells\;\ the\ first\ is\ \".+\",\ ink\ \#[0-9a-f]{6}\ on\ \#[0-9a-f]{6}$ ]] ||
  { echo "the example said: $said" >&2; exit 1; }
"$stage/bin/varnelo-convert" -m symbols --fit 80x40 "$photo" -o "$work/converted.html"
cmp "$work/photo.html" "$work/converted.html"

# Where python3 finds modules under a prefix other than /usr; the module
# finds the library installed with it without ldconfig or LD_LIBRARY_PATH.
site=("$stage"/lib/python3.*/dist-packages)
[[ -f ${site[0]}/varnelo/__init__.py ]] || { echo "no module in $stage/lib/python3.*/dist-packages" >&2; exit 1; }
env -u LD_LIBRARY_PATH PYTHONPATH="${site[0]}" /usr/bin/python3 - "$photo" "$work/converted.html" <<'PYTHON'
import sys
import numpy
import varnelo

photo, converted = sys.argv[1:]
picture = varnelo.open(photo)
html = picture.to_html(mode="symbols", fit=(80, 40))
assert html.encode("cp1252") == open(converted, "rb").read(), "the module's HTML is not the converter's"
cells = picture.cells(mode="symbols", fit=(80, 40))
assert cells.rows == 40 and len(cells.text().split("\n")) == 40
array = numpy.zeros((40, 80, 3), numpy.uint8)
array[:, :, 1] = 255
assert varnelo.from_array(array).cells(width=8, height=4).cell(0, 0)[2] == 0x00FF00
PYTHON
echo "a C program and a Python script convert through the installed library"
