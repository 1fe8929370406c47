#!/usr/bin/env bash
# Holds libvarnelo.so.0 to the interface it promises: its soname, nothing
# shown but the varnelo_ functions of the header, and, by abidiff, the ABI
# recorded in library/varnelo.abi for the types of the public header. A
# change fails until the record is made anew, which a change that breaks
# callers may do only with a new soname. The Debian package's symbols file
# lists every function the library shows, and nothing else.
#   check_abi.sh LIBRARY HEADERS_DIR RECORD SYMBOLS_FILE
set -uo pipefail
library=$1 headers=$2 record=$3 symbols=$4
record_command="abidw --headers-dir $headers --drop-private-types --exported-interfaces-only \
--no-show-locs --no-corpus-path --no-comp-dir-path --type-id-style hash $library \
| sed \"s|path='[^']*/library/|path='library/|\" > $record"

soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
if [[ $soname != libvarnelo.so.0 ]]; then
  echo "the library's soname is '$soname', not libvarnelo.so.0" >&2
  exit 1
fi
shown=$(nm -D --defined-only "$library" | awk '$2 != "A" { print $3 }' | grep -v '^varnelo_' || true)
if [[ -n $shown ]]; then
  echo "the library shows more than its interface:" >&2
  echo "$shown" | head -20 >&2
  exit 1
fi

listed=$(sed -n 's/^ \(varnelo_[a-z_]*\)@VARNELO_0 .*/\1/p' "$symbols" | sort)
exported=$(nm -D --defined-only "$library" | awk '$2 == "T" { sub(/@.*/, "", $3); print $3 }' | sort)
if [[ $listed != "$exported" ]]; then
  echo "$symbols does not list the functions the library shows:" >&2
  diff <(echo "$listed") <(echo "$exported") >&2
  exit 1
fi

command -v abidiff >/dev/null || { echo "abidiff is missing (abigail-tools): ABI not compared"; exit 77; }
if ! readelf -S "$library" | grep -q '\.debug_info'; then
  echo "the library has no debugging information to compare its ABI by"
  exit 77
fi
abidiff --headers-dir2 "$headers" --drop-private-types "$record" "$library"
status=$?
if ((status != 0)); then
  echo "the ABI differs from $record (abidiff exit $status); once the change is meant:" >&2
  echo "  $record_command" >&2
  exit 1
fi
echo "the ABI is the one recorded"
