#!/usr/bin/env bash
# Checks the installed tree: every file a desktop needs is there, the desktop
# entry and metainfo point at what was installed, the icons have the sizes
# their folders claim, and every place that shows the version shows the
# project's.
#   check_installed_files.sh STAGE_DIR VERSION APP_ID "ICON_SIZES"
set -uo pipefail
stage=$1 version=$2 app_id=$3 sizes=$4
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

desktop=$stage/share/applications/$app_id.desktop
metainfo=$stage/share/metainfo/$app_id.metainfo.xml
icons=$stage/share/icons/hicolor

for program in varnelo varnelo-convert; do
  [[ -f $stage/bin/$program && -x $stage/bin/$program ]] || fail "bin/$program is not an installed program"
  [[ -f $stage/share/man/man1/$program.1.gz || -f $stage/share/man/man1/$program.1 ]] ||
    fail "no manual page for $program in share/man/man1"
done
[[ -f $desktop ]] || fail "no desktop entry $desktop"
[[ -f $metainfo ]] || fail "no metainfo $metainfo"
[[ -f $icons/scalable/apps/varnelo.svg ]] || fail "no scalable icon"
grep -q '<svg' "$icons/scalable/apps/varnelo.svg" 2>/dev/null || fail "the scalable icon is no SVG"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_size() {
  local bytes
  read -r -a bytes < <(od -An -v -tu1 -j16 -N8 "$1")
  [[ ${#bytes[@]} -eq 8 ]] || return 1
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}
for size in $sizes; do
  icon=$icons/${size}x${size}/apps/varnelo.png
  if [[ ! -f $icon ]]; then
    fail "no ${size}x${size} icon"
  elif [[ $(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n') != 89504e470d0a1a0a ]]; then
    fail "$icon is no PNG"
  elif [[ $(png_size "$icon") != "${size}x${size}" ]]; then
    fail "$icon is $(png_size "$icon"), not ${size}x${size}"
  fi
done

# The licence: Debian's copyright file, and the metainfo's SPDX name.
copyright=$stage/share/doc/varnelo/copyright
grep -q '^License: GPL-3.0-or-later$' "$copyright" 2>/dev/null || fail "no GPL-3.0-or-later copyright file $copyright"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" 2>/dev/null ||
  fail "the metainfo's project_license is not GPL-3.0-or-later"

# The desktop entry starts an installed program and names an installed icon.
entry_value() { sed -n "s/^$1=//p" "$desktop" 2>/dev/null | head -n 1; }
exec_line=$(entry_value Exec)
[[ -n $exec_line && -x $stage/bin/${exec_line%% *} ]] || fail "Exec=$exec_line is no installed program"
# One file at a time, which the window opens as a dropped picture.
[[ $exec_line == "varnelo %f" ]] || fail "Exec=$exec_line does not pass the file opened with"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$stage/bin/varnelo" --help |
  grep -q '^Usage: varnelo \[PICTURE\]' || fail "varnelo --help does not answer without a display"
icon_name=$(entry_value Icon)
[[ -n $icon_name && -f $icons/scalable/apps/$icon_name.svg ]] || fail "Icon=$icon_name is no installed icon"
[[ $(entry_value Terminal) == false ]] || fail "Terminal is not false"

# The metainfo names this component and launches the installed desktop entry.
grep -q "<id>$app_id</id>" "$metainfo" 2>/dev/null || fail "the metainfo's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" 2>/dev/null ||
  fail "the metainfo does not launch $app_id.desktop"
for program in varnelo varnelo-convert; do
  grep -q "<binary>$program</binary>" "$metainfo" 2>/dev/null || fail "the metainfo does not provide $program"
done

# The picture libraries' module, where the installed programs look for it:
# a WebP is read as one (here a broken one, which says what breaks it).
[[ -n $(find "$stage" -path '*/varnelo/modules/varnelo-pictures.so') ]] ||
  fail "no varnelo/modules/varnelo-pictures.so"
said=$("$stage/bin/varnelo-convert" -q -f text -o - "$(dirname "$0")/../data/bad/webp-cut-in-lossy-data.webp" 2>&1)
[[ $said == *"WebP data"* ]] || fail "the installed converter does not read WebP: $said"
# The PNG and GIF module: a broken PNG is read far enough to say what breaks it.
[[ -n $(find "$stage" -path '*/varnelo/modules/varnelo-png-gif.so') ]] ||
  fail "no varnelo/modules/varnelo-png-gif.so"
said=$("$stage/bin/varnelo-convert" -q -f text -o - "$(dirname "$0")/../data/bad/bad-crc-idat.png" 2>&1)
[[ $said == *"PNG data"* ]] || fail "the installed converter does not read PNG: $said"
# The program that decodes a large AVIF, HEIC, WebP or JPEG XL apart, where
# the installed converter looks for it.
[[ -x $(find "$stage" -path '*/varnelo/varnelo-decode') ]] || fail "no varnelo/varnelo-decode"
large=$(mktemp -d)
convert -size 1024x1024 gradient:red-blue "$large/large.png" &&
  avifenc -s 10 "$large/large.png" "$large/large.avif" >/dev/null
said=$(strace -f -e trace=execve -o "$large/calls" "$stage/bin/varnelo-convert" -q -f text \
  -o "$large/large.txt" "$large/large.avif" 2>&1)
grep -q 'varnelo-decode' "$large/calls" && [[ -s $large/large.txt ]] ||
  fail "the installed converter does not decode a large AVIF apart: $said"
rm -rf "$large"
# The font libraries' module: the installed converter finds the faces
# fonts-wine brings.
[[ -n $(find "$stage" -path '*/varnelo/modules/varnelo-fonts.so') ]] ||
  fail "no varnelo/modules/varnelo-fonts.so"
"$stage/bin/varnelo-convert" --list-fonts | grep -qx Tahoma ||
  fail "the installed converter does not find Tahoma"

# The version, wherever it is shown.
shown=$("$stage/bin/varnelo-convert" --version 2>&1)
[[ $shown == "varnelo-convert $version" ]] || fail "varnelo-convert --version says '$shown', the project is $version"
# The window's answers need no display: none is given here.
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$stage/bin/varnelo" --version 2>&1)
[[ $shown == "varnelo $version" ]] || fail "varnelo --version says '$shown', the project is $version"
zcat -f "$stage/share/doc/varnelo/changelog.gz" 2>/dev/null | head -n 1 | grep -q "^varnelo ($version) " ||
  fail "the changelog's newest entry is not $version"
newest=$(grep -o -m 1 '<release version="[^"]*"' "$metainfo" 2>/dev/null | cut -d'"' -f2)
[[ $newest == "$version" ]] || fail "the metainfo's newest release is '$newest', the project is $version"
for page in "$stage"/share/man/man1/*.1*; do
  header=$( (zcat -f "$page" 2>/dev/null) | grep -m 1 '^\.TH')
  [[ $header == *"\"Varnelo $version\""* ]] || fail "$(basename "$page") shows another version: $header"
done

[[ $failures -eq 0 ]] || exit 1
echo "installed files: all checks passed"
