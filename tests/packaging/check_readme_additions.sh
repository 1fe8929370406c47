#!/usr/bin/env bash
# The README's table of what an addition takes names every file that a
# build fails without: each file with a switch over the addition's
# enumeration (warnings as errors make a missing case fail the build).
#   check_readme_additions.sh SOURCE_DIR
set -uo pipefail
source=$1
readme=$source/README.md
failures=0
# check ROW ENUMERATION...: the row of the table beginning "| ROW |".
check() {
  local row=$1
  shift
  local line
  line=$(grep -F -e "| $row |" "$readme")
  [[ -n $line ]] || { echo "FAIL: the README has no row for a $row"; failures=$((failures + 1)); return; }
  local enumeration file
  for enumeration in "$@"; do
    while IFS= read -r file; do
      [[ -z $file ]] && continue
      grep -q -F -e "\`$file\`" <<<"$line" ||
        { echo "FAIL: the README's row for a $row lacks $file (its switch over $enumeration)"; failures=$((failures + 1)); }
    done < <(cd "$source" && grep -rl --include='*.cpp' --include='*.h' "case $enumeration::" \
      engine writers ui cli platform app | sort)
  done
}
check "character mode" PixelTransformation
check "picture type" PictureType
check "output format" OutputFormat ImageFormat
check "class of symbols" SymbolDrawing
((failures == 0)) && echo "the README's table names every file a switch ties to its addition"
exit $((failures != 0))
