#!/usr/bin/env bash
# The layer check passes the project and fails a tree that breaks each rule once.
#   check_layers_test.sh CHECK_SCRIPT SOURCE_DIR QT_WIDGETS_HEADER_DIR
set -uo pipefail
check=$1 source=$2 widgets=$3

bash "$check" "$source" "$widgets" || { echo "FAIL: the project breaks a layer rule"; exit 1; }

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{base,reading,engine,writers,platform,ui,cli,app} "$tree/widgets"
touch "$tree/widgets/QWidget"
printf '#include <QString>\n#include "engine/a.h"\n' > "$tree/engine/core.cpp"
printf '#include "ui/main_form.h"\n' > "$tree/engine/upward.h"
printf '#include "engine/conversion_pass.h"\n#include "base/color.h"\n' > "$tree/reading/decoder.cpp"
printf '#include "reading/file_bytes.h"\n' > "$tree/base/bitmap.h"
printf '#include <QImage>\n#include "platform/shell.h"\n' > "$tree/writers/draw.cpp"
printf '#include <QFont>\n#include <QWidget>\n' > "$tree/platform/fonts.cpp"
printf '#include "cli/converter.h"\n#include "writers/x.h"\nConversionPass pass(settings);\n' > "$tree/ui/window.cpp"
printf '#include "ui/main_form.h"\n#include <QString>\n' > "$tree/cli/converter.cpp"
printf '#include "ui/main_form.h"\n' > "$tree/app/main.cpp"

said=$(bash "$check" "$tree" "$tree/widgets" 2>&1)
status=$?
expected=(
  "engine/core.cpp:1: engine includes Qt <QString>"
  "engine/upward.h:1: engine includes the layer ui above it"
  "reading/decoder.cpp:1: reading includes the layer engine above it"
  "base/bitmap.h:1: base includes the layer reading above it"
  "writers/draw.cpp:1: writers includes Qt <QImage>"
  "writers/draw.cpp:2: writers includes the layer platform above it"
  "platform/fonts.cpp:2: platform includes Qt Widgets <QWidget>"
  "ui/window.cpp:1: ui includes the layer cli above it"
  "ui/window.cpp:3: ui runs a ConversionPass past the library"
  "cli/converter.cpp:1: cli includes the layer ui above it"
  "cli/converter.cpp:2: cli includes Qt <QString>"
  "11 include(s) or passes across the layers"
)
failed=0
[[ $status -ne 0 ]] || { echo "FAIL: a broken tree passed"; failed=1; }
for line in "${expected[@]}"; do
  grep -qxF "$line" <<<"$said" || { echo "FAIL: not reported: $line"; failed=1; }
done
[[ $(grep -c . <<<"$said") -eq ${#expected[@]} ]] || { echo "FAIL: more was reported:"; echo "$said"; failed=1; }
exit $failed
