#!/usr/bin/env bash
# The manual page and --help must offer the same options: every option head
# ("-o, --output PATH", "--seed N") of the one is in the other.
#   check_man_page.sh VARNELO_CONVERT MAN_PAGE
set -euo pipefail
program=$1 page=$2

help_heads() {
  "$program" --help | grep -E '^ +-' | sed -E 's/^ +//' |
    grep -o -E '^(-[A-Za-z], )?--[a-z0-9-]+( [A-Z][A-Za-z:]*)?\b' | sort -u
}

# The tag line after each .TP of the OPTIONS section, with roff's font
# changes and escaped minus signs turned into plain text.
page_heads() {
  zcat -f "$page" |
    awk '/^\.SH/ { in_options = ($2 == "OPTIONS") } in_options && tag { print; tag = 0 } /^\.TP/ { tag = in_options }' |
    sed -E 's/\\f[BIRP]//g; s/\\-/-/g' | sort -u
}

help=$(help_heads)
manual=$(page_heads)
[[ -n $help ]] || { echo "FAIL: no options found in $program --help"; exit 1; }
[[ -n $manual ]] || { echo "FAIL: no options found in the OPTIONS section of $page"; exit 1; }

only_help=$(comm -23 <(printf '%s\n' "$help") <(printf '%s\n' "$manual"))
only_page=$(comm -13 <(printf '%s\n' "$help") <(printf '%s\n' "$manual"))
if [[ -n $only_help || -n $only_page ]]; then
  [[ -z $only_help ]] || printf 'FAIL: in --help, not in the manual page:\n%s\n' "$only_help"
  [[ -z $only_page ]] || printf 'FAIL: in the manual page, not in --help:\n%s\n' "$only_page"
  exit 1
fi

# The page must also read without roff warnings, where groff is at hand.
if command -v groff >/dev/null; then
  warnings=$(zcat -f "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [[ -z $warnings ]] || { printf 'FAIL: roff warnings:\n%s\n' "$warnings"; exit 1; }
fi
echo "the manual page and --help offer the same $(printf '%s\n' "$help" | wc -l) options"
