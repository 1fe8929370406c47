#!/usr/bin/env bash
# Builds the Debian package into the build folder with CPack and checks its
# file list and control fields. Installs nothing. Exit code 77 (skipped)
# without dpkg-deb, dpkg-shlibdeps (Debian: dpkg-dev) or file, which CPack
# runs to find the programs among the files.
#   check_debian_package.sh CPACK BUILD_DIR OUT_DIR VERSION APP_ID "ICON_SIZES"
set -uo pipefail
cpack=$1 build=$2 out=$3 version=$4 app_id=$5 sizes=$6
for tool in dpkg-deb dpkg-shlibdeps dpkg file; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (Debian: dpkg-dev, file); skipped"
    exit 77
  fi
done
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

rm -rf "$out"
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1; then
  cat "$out.log"
  echo "FAIL: cpack -G DEB failed"
  exit 1
fi
architecture=$(dpkg --print-architecture)
deb=$out/varnelo_${version}_${architecture}.deb
if [[ ! -f $deb ]]; then
  cat "$out.log"
  echo "FAIL: no $deb; cpack made: $(cd "$out" && ls ./*.deb 2>/dev/null)"
  exit 1
fi

# The file list: "mode owner/group size date time ./path".
listing=$(dpkg-deb -c "$deb") || { echo "FAIL: dpkg-deb -c cannot read $deb"; exit 1; }
paths=$(awk '{ print $6 }' <<<"$listing")
entry() { awk -v path="$1" '$6 == path' <<<"$listing"; }
expected=(
  ./usr/bin/varnelo
  ./usr/bin/varnelo-convert
  "./usr/share/applications/$app_id.desktop"
  "./usr/share/metainfo/$app_id.metainfo.xml"
  ./usr/share/icons/hicolor/scalable/apps/varnelo.svg
  ./usr/share/man/man1/varnelo.1.gz
  ./usr/share/man/man1/varnelo-convert.1.gz
  ./usr/share/bash-completion/completions/varnelo-convert
  ./usr/share/zsh/vendor-completions/_varnelo-convert
  ./usr/share/doc/varnelo/copyright
)
for size in $sizes; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/varnelo.png")
done
for path in "${expected[@]}"; do
  [[ -n $(entry "$path") ]] || fail "the package lacks $path"
done
for program in varnelo varnelo-convert; do
  [[ $(entry "./usr/bin/$program" | awk '{ print $1 }') == -rwxr-xr-x ]] ||
    fail "usr/bin/$program is not mode 755: $(entry "./usr/bin/$program")"
done
outside=$(grep -v -E '^\./(usr/?)?$|^\./usr/' <<<"$paths")
[[ -z $outside ]] || fail "files outside /usr: $outside"
not_root=$(awk '$2 != "root/root"' <<<"$listing")
[[ -z $not_root ]] || fail "files not owned by root: $not_root"

# The control fields.
field() { dpkg-deb -f "$deb" "$1" 2>/dev/null; }
[[ $(field Package) == varnelo ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', the project is $version"
[[ $(field Architecture) == "$architecture" ]] || fail "Architecture is '$(field Architecture)'"
[[ $(field Section) == graphics ]] || fail "Section is '$(field Section)'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer '$(field Maintainer)' is no 'name <address>'"
description=$(field Description)
[[ $(wc -l <<<"$description") -ge 2 && -n $(head -n 1 <<<"$description") ]] ||
  fail "Description has no summary line and long description: $description"
depends=$(field Depends)
depends_names=$(sed -E 's/ *\([^)]*\)//g; s/ *[,|] */\n/g' <<<"$depends")
for package in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libpng16-16 libgif7 \
  libc6 libstdc++6 fonts-wine fonts-dejavu-core; do
  grep -q -x -F -- "$package" <<<"$depends_names" || fail "Depends lacks $package: $depends"
done

if [[ $failures -ne 0 ]]; then
  echo "dpkg-deb -c:"
  echo "$listing"
  echo "dpkg-deb -f:"
  dpkg-deb -f "$deb"
  exit 1
fi
echo "$(basename "$deb"): $(wc -l <<<"$paths") entries; Depends: $depends"
