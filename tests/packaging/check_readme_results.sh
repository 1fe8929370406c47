#!/usr/bin/env bash
# The README's pictures of results come from the real programs: the script
# that makes them runs, and each picture it makes reads as a PNG that is
# not blank. Exit code 77 (skipped) without chromium, tmux or ImageMagick.
#   check_readme_results.sh SOURCE_DIR CONVERTER OUT_DIR
set -uo pipefail
source=$1 converter=$2 out=$3
for tool in chromium tmux /usr/bin/convert pngcheck; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed; skipped"; exit 77; }
done
rm -rf "$out"
bash "$source/scripts/show_results.sh" "$converter" "$out" || { echo "FAIL: the script failed"; exit 1; }
failures=0
for name in picture html png ramp shapes shapes-no-fill symbols terminal; do
  file=$out/results-$name.png
  if ! pngcheck -q "$file"; then
    echo "FAIL: $file is no valid PNG"
    failures=$((failures + 1))
    continue
  fi
  # Some of the picture must be there: more than a handful of colours.
  colours=$(/usr/bin/convert "$file" -format '%k' info:)
  if ((colours < 50)); then
    echo "FAIL: $file has $colours colours only"
    failures=$((failures + 1))
  fi
done
((failures == 0)) && echo "the README's results are made anew, $(du -sh "$out" | cut -f1)"
exit $((failures != 0))
