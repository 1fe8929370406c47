#!/usr/bin/env bash
# Builds the Debian packages into the build folder with CPack and checks
# their file lists and control fields: libvarnelo0, the library with the
# modules that read pictures and draw fonts; libvarnelo-dev and
# python3-varnelo over it; varnelo-convert, the converter without Qt; and
# varnelo, the window, which depends on it. Installs nothing (as root,
# dpkg's dry run of installing them together). Exit code 77 (skipped)
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
# The library folder the build installs to, under the packages' /usr.
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")

# check_package NAME DEPENDS-ON FORBIDDEN-PATTERN PATHS...: the package's
# files are exactly PATHS (and their folders), its Depends name every one
# of DEPENDS-ON and no package matching FORBIDDEN-PATTERN; its section is
# $section and its architecture $arch, graphics and the machine's unless set.
check_package() {
  local name=$1 needed=$2 forbidden=$3
  shift 3
  local wanted_section=${section:-graphics} wanted_arch=${arch:-$architecture}
  local deb=$out/${name}_${version}_${wanted_arch}.deb
  if [[ ! -f $deb ]]; then
    fail "no $deb; cpack made: $(cd "$out" && ls ./*.deb 2>/dev/null)"
    return
  fi
  # The file list: "mode owner/group size date time ./path".
  local listing paths files
  listing=$(dpkg-deb -c "$deb") || { fail "dpkg-deb -c cannot read $deb"; return; }
  paths=$(awk '{ print $6 }' <<<"$listing")
  files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)
  [[ $files == "$(printf '%s\n' "$@" | sort)" ]] ||
    fail "$name holds other files than expected:" $'\n'"$files"
  for program in $(grep '^\./usr/bin/' <<<"$files"); do
    [[ $(awk -v path="$program" '$6 == path { print $1 }' <<<"$listing") == -rwxr-xr-x ]] ||
      fail "$program is not mode 755"
  done
  local outside not_root
  outside=$(grep -v -E '^\./(usr/?)?$|^\./usr/' <<<"$paths")
  [[ -z $outside ]] || fail "$name has files outside /usr: $outside"
  not_root=$(awk '$2 != "root/root"' <<<"$listing")
  [[ -z $not_root ]] || fail "$name has files not owned by root: $not_root"

  field() { dpkg-deb -f "$deb" "$1" 2>/dev/null; }
  [[ $(field Package) == "$name" ]] || fail "Package is '$(field Package)', not $name"
  [[ $(field Version) == "$version" ]] || fail "$name: Version is '$(field Version)', the project is $version"
  [[ $(field Architecture) == "$wanted_arch" ]] || fail "$name: Architecture is '$(field Architecture)'"
  [[ $(field Section) == "$wanted_section" ]] || fail "$name: Section is '$(field Section)'"
  [[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "$name: Maintainer '$(field Maintainer)' is no 'name <address>'"
  local description depends depends_names
  description=$(field Description)
  [[ $(wc -l <<<"$description") -ge 2 && -n $(head -n 1 <<<"$description") ]] ||
    fail "$name: Description has no summary line and long description: $description"
  depends=$(field Depends)
  depends_names=$(sed -E 's/ *\([^)]*\)//g; s/ *[,|] */\n/g' <<<"$depends")
  for package in $needed; do
    grep -q -x -F -- "$package" <<<"$depends_names" || fail "$name: Depends lacks $package: $depends"
  done
  if grep -q -E -- "$forbidden" <<<"$depends_names"; then
    fail "$name: Depends names $(grep -E -- "$forbidden" <<<"$depends_names" | tr '\n' ' ')"
  fi
  if [[ $failures -ne 0 ]]; then
    echo "dpkg-deb -c $name:"
    echo "$listing"
    dpkg-deb -f "$deb"
  fi
  echo "$(basename "$deb"): $(wc -l <<<"$files") files; Depends: $depends"
}

icons=(./usr/share/icons/hicolor/scalable/apps/varnelo.svg)
for size in $sizes; do
  icons+=("./usr/share/icons/hicolor/${size}x${size}/apps/varnelo.png")
done
# The picture, PNG and GIF, and font libraries come with the modules the
# library and the programs load them from.
section=libs check_package libvarnelo0 \
  "libjpeg62-turbo libpng16-16 libgif7 libfreetype6 libfontconfig1 libc6 libstdc++6 fonts-wine
   fonts-dejavu-core libwebp7 libtiff6 libjxl0.7 libavif15 libheif1" \
  '^libqt' \
  ./usr/$libdir/libvarnelo.so.0 \
  "./usr/$libdir/libvarnelo.so.$version.0" \
  "./usr/$libdir/varnelo/modules/varnelo-fonts.so" \
  "./usr/$libdir/varnelo/modules/varnelo-pictures.so" \
  "./usr/$libdir/varnelo/modules/varnelo-png-gif.so" \
  "./usr/$libdir/varnelo/varnelo-decode" \
  ./usr/share/lintian/overrides/libvarnelo0 \
  ./usr/share/doc/libvarnelo0/copyright \
  ./usr/share/doc/libvarnelo0/changelog.gz
shlibs=$(dpkg-deb --ctrl-tarfile "$out/libvarnelo0_${version}_${architecture}.deb" |
  tar -xO ./shlibs 2>/dev/null)
[[ $shlibs == "libvarnelo 0 libvarnelo0 (>= $version)" ]] ||
  fail "libvarnelo0's shlibs file says: $shlibs"
section=libdevel check_package libvarnelo-dev "libvarnelo0" '^libqt' \
  ./usr/include/varnelo/varnelo.h \
  ./usr/$libdir/libvarnelo.so \
  "./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)/pkgconfig/varnelo.pc" \
  ./usr/share/doc/libvarnelo-dev/copyright \
  ./usr/share/doc/libvarnelo-dev/changelog.gz
section=python arch=all check_package python3-varnelo "libvarnelo0 python3:any" '^libqt' \
  ./usr/lib/python3/dist-packages/varnelo/__init__.py \
  ./usr/share/doc/python3-varnelo/copyright \
  ./usr/share/doc/python3-varnelo/changelog.gz
check_package varnelo-convert \
  "libvarnelo0 libjpeg62-turbo libc6 fonts-wine fonts-dejavu-core" \
  '^libqt' \
  ./usr/bin/varnelo-convert \
  ./usr/share/man/man1/varnelo-convert.1.gz \
  ./usr/share/bash-completion/completions/varnelo-convert \
  ./usr/share/zsh/vendor-completions/_varnelo-convert \
  ./usr/share/doc/varnelo-convert/copyright \
  ./usr/share/doc/varnelo-convert/changelog.gz
check_package varnelo \
  "varnelo-convert libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6 fonts-wine fonts-dejavu-core" \
  '^$' \
  ./usr/bin/varnelo \
  "./usr/share/applications/$app_id.desktop" \
  "./usr/share/metainfo/$app_id.metainfo.xml" \
  "${icons[@]}" \
  ./usr/share/man/man1/varnelo.1.gz \
  ./usr/share/doc/varnelo/copyright \
  ./usr/share/doc/varnelo/changelog.gz
window_depends=$(dpkg-deb -f "$out/varnelo_${version}_${architecture}.deb" Depends 2>/dev/null)
[[ $window_depends == *"varnelo-convert (= $version)"* ]] ||
  fail "varnelo does not depend on varnelo-convert of its own version: $window_depends"

for name in varnelo-convert libvarnelo-dev; do
  depends=$(dpkg-deb -f "$out/${name}_${version}_${architecture}.deb" Depends 2>/dev/null)
  [[ $depends == *"libvarnelo0 (= $version)"* ]] ||
    fail "$name does not depend on libvarnelo0 of its own version: $depends"
done
# Together they install: each finds what it depends on among the others
# and the system's packages.
if [[ $(id -u) -eq 0 ]]; then
  dpkg --dry-run --install "$out"/*.deb >"$out/dry-run.log" 2>&1 ||
    fail "the packages do not install together:"$'\n'"$(cat "$out/dry-run.log")"
fi

# Debian's own checker: no error, no warning, and every hardening feature
# (its notes at the level of information) in both programs.
if command -v lintian >/dev/null; then
  debs=("$out"/*.deb)
  report=$(lintian --info --display-info --tag-display-limit 0 "${debs[@]}" 2>&1 |
    grep -v 'running with root privileges')
  problems=$(grep -E '^(E|W): |hardening-no-' <<<"$report")
  [[ -z $problems ]] || fail "lintian:"$'\n'"$problems"
  echo "lintian: no errors, no warnings, hardened"
else
  fail "lintian is not installed (Debian: lintian)"
fi
exit $((failures != 0))
