#!/usr/bin/env bash
# Fails when a file includes what its layer may not see: Qt below the window
# (the converter and the library run without Qt), Qt Widgets in platform/, or
# a layer above its own.
#   check_layers.sh SOURCE_DIR QT_WIDGETS_HEADER_DIR
# The layers, from the bottom: base (the picture in memory, its colours and
# limits); reading (the decoders); engine (making cells); writers and
# platform; library (the settings, the conversion of a picture and the C
# interface over them); ui and cli; app.
set -uo pipefail
root=$1 widgets=$2

declare -A allowed=(
  [base]="base"
  [reading]="base reading"
  [engine]="base reading engine"
  [writers]="base reading engine writers"
  [platform]="base reading engine platform"
  [ui]="base reading engine writers platform library ui"
  [cli]="base reading engine writers platform library cli"
  [library]="base reading engine writers platform library"
  [app]="base reading engine writers platform library ui app"
)
layers="base reading engine writers platform library ui cli app"

is_widgets_header() { # QFoo or QtWidgets/QFoo
  local name=${1#QtWidgets/}
  [[ $1 == QtWidgets/* || $1 == QtWidgets ]] && return 0
  [[ -e $widgets/$name ]]
}

faults=0
for layer in $layers; do
  [[ -d $root/$layer ]] || continue
  while IFS= read -r -d '' file; do
    relative=${file#"$root"/}
    while IFS= read -r line; do
      number=${line%%:*}
      include=${line#*:}
      if [[ $include =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^>]+)\> ]]; then
        header=${BASH_REMATCH[1]}
        if [[ $header == Q* ]]; then
          if [[ $layer != ui && $layer != app && $layer != platform ]]; then
            echo "$relative:$number: $layer includes Qt <$header>"
            faults=$((faults + 1))
          elif [[ $layer == platform ]] && is_widgets_header "$header"; then
            echo "$relative:$number: platform includes Qt Widgets <$header>"
            faults=$((faults + 1))
          fi
        fi
      elif [[ $include =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z]+)/ ]]; then
        target=${BASH_REMATCH[1]}
        if [[ " $layers " == *" $target "* && " ${allowed[$layer]} " != *" $target "* ]]; then
          echo "$relative:$number: $layer includes the layer $target above it"
          faults=$((faults + 1))
        fi
      fi
    done < <(grep -n '#[[:space:]]*include' "$file")
  done < <(find "$root/$layer" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) -print0)
done

# The programs convert through the library's conversion of a picture, the
# one the C interface runs too: neither builds a pass of its own.
for layer in ui cli app; do
  [[ -d $root/$layer ]] || continue
  while IFS=: read -r file number _; do
    echo "${file#"$root"/}:$number: $layer runs a ConversionPass past the library"
    faults=$((faults + 1))
  done < <(grep -rnE --include='*.cpp' --include='*.h' 'ConversionPass[[:space:]]+[A-Za-z_]+[[:space:]]*[({]' "$root/$layer")
done

if ((faults > 0)); then
  echo "$faults include(s) or passes across the layers" >&2
  exit 1
fi
echo "every include keeps to its layer"
