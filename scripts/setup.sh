#!/usr/bin/env bash
# Installs the Debian packages Varnelo needs, when they are missing.
#   scripts/setup.sh          what building and running the program needs
#   scripts/setup.sh --test   that, and what the tests and benchmarks need
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qt6-base-dev libjpeg62-turbo-dev libgif-dev libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev libwebp-dev libtiff-dev libjxl-dev libavif-dev libheif-dev
  fonts-wine fonts-dejavu-core
)
# ISA-L, the fast inflater for PNG pictures, is built for amd64 alone; zlib
# stands in elsewhere.
if [[ $(dpkg --print-architecture) == amd64 ]]; then
  packages+=(libisal-dev)
fi
if [[ "${1:-}" == "--test" ]]; then
  packages+=(googletest libgtest-dev libbenchmark-dev clang-format clang-tidy
    desktop-file-utils appstream dpkg-dev file lintian
    chromium libreoffice-writer-nogui poppler-utils bash-completion zsh tmux
    pngcheck imagemagick libjpeg-turbo-progs webp libtiff-tools libjxl-tools libavif-bin libheif-examples
    xvfb xauth xdotool xclip python-matplotlib-data strace python3-gi gir1.2-glib-2.0
    python3-numpy abigail-tools)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
