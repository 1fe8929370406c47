#!/usr/bin/env bash
# An installed program must find what it needs without the trees it was built
# in: no path of the source or build folder may be in an installed file.
# A file may name the prefix it was installed to, the stage here (the
# pkg-config file, the Python module's library).
#   check_no_build_paths.sh STAGE_DIR SOURCE_DIR BUILD_DIR
set -euo pipefail
stage=$1 source_dir=$2 build_dir=$3
found=0
while IFS= read -r -d '' file; do
  for tree in "$source_dir" "$build_dir"; do
    if sed "s#$stage##g" "$file" | grep -q -a -F -- "$tree"; then
      echo "FAIL: $file holds the path $tree:"
      tr -c "[:print:]" "\n" <"$file" | grep -F -- "$tree" | head -n 3
      found=1
    fi
  done
done < <(find "$stage" -type f -print0)
[[ $found -eq 0 ]] || exit 1
echo "no installed file names $source_dir or $build_dir"
