#!/usr/bin/env bash
# How recognisable each output is, beside the peers': every mode in every
# format (as it is, with --fill and with --no-fill) and chafa (default,
# --symbols ascii, --symbols ascii --fg-only), jp2a (--colors, --colors
# --fill) and img2txt, each rendered as people see it and scored against
# the real photographs python3-skimage ships (bench/recognisability.py
# says how).
#   bench/recognisability.sh [build folder] [-- options of recognisability.py]
# Defaults: build/release (configured when missing, built each time); 80
# and 160 columns, seven photos. The renders stay in
# build/bench-data/recognisability/renders.
# Python's libraries, the peers and the renderers are installed from Debian
# when missing, for this script only.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build=build/release
if [[ $# -gt 0 && $1 != -- ]]; then
  build=$1
  shift
fi
[[ ${1:-} == -- ]] && shift
build_converter "$build"

missing=()
# Debian's Python, whose packages these are, whatever python3 the PATH finds.
/usr/bin/python3 -c 'import skimage, scipy, numpy, PIL' 2>/dev/null ||
  missing+=(python3-skimage python3-scipy python3-numpy python3-pil)
command -v chafa >/dev/null || missing+=(chafa)
command -v jp2a >/dev/null || missing+=(jp2a)
command -v img2txt >/dev/null || missing+=(caca-utils)
command -v chromium >/dev/null || missing+=(chromium)
command -v soffice >/dev/null || missing+=(libreoffice-writer-nogui)
command -v pdftoppm >/dev/null || missing+=(poppler-utils)
[[ -f /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf ]] || missing+=(fonts-dejavu-core)
if ((${#missing[@]} > 0)); then
  as_root=()
  [[ $(id -u) -ne 0 ]] && as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

work=build/bench-data/recognisability
mkdir -p "$work"
/usr/bin/python3 bench/recognisability.py "$build/cli/varnelo-convert" "$work" "$@"
