#!/usr/bin/env bash
# Installs the built project into a fresh folder, stripped as the package is.
#   stage_install.sh CMAKE BUILD_DIR STAGE_DIR
set -euo pipefail
cmake=$1 build=$2 stage=$3
rm -rf "$stage"
"$cmake" --install "$build" --prefix "$stage" --strip >/dev/null
