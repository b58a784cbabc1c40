#!/bin/bash
# Builds the Debian package of the suite from a built release tree:
#   scripts/package.sh [--fast] [--out DIR] [BUILD_DIR]
# BUILD_DIR defaults to build/; vell_<version>_<arch>.deb goes to DIR
# (default BUILD_DIR). --fast leaves the package uncompressed: the same
# files in a bigger package, for tests.
set -euo pipefail
umask 022
root=$(cd "$(dirname "$0")/.." && pwd)
here=$root/package

compression=(-Zxz)
out=
while [ $# -gt 0 ]; do
  case $1 in
    --fast) compression=(-Znone) ;;
    --out) out=$2; shift ;;
    -*) echo "usage: scripts/package.sh [--fast] [--out DIR] [BUILD_DIR]" >&2; exit 2 ;;
    *) break ;;
  esac
  shift
done
build=$(cd "${1:-$root/build}" && pwd)
out=$(cd "${out:-$build}" && pwd)

fail() {
  echo "package: $*" >&2
  exit 1
}

cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
[ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured build tree"
[ "$(cache_value VELL_SANITIZE)" != ON ] || fail "$build is a sanitizer build; package a release tree"
version=$(cache_value CMAKE_PROJECT_VERSION)
arch=$(dpkg --print-architecture)
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

# dpkg-shlibdeps takes the folders debian/<package>/ of its working folder as
# the packages being built: libraries found there need no dependency.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/debian/vell
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
chmod -R u=rwX,go=rX "$stage"

# Stripped as Debian strips: no debugging symbols, no compiler notes.
mapfile -t objects < <(find "$stage" -type f \( -perm -u+x -o -name '*.so*' \) -exec sh -c \
  'head -c 4 "$1" | grep -q ELF' sh {} \; -print)
for object in "${objects[@]}"; do
  case $object in
    *.so*) strip --strip-unneeded --remove-section=.comment --remove-section=.note "$object" ;;
    *) strip --remove-section=.comment --remove-section=.note "$object" ;;
  esac
done

programs=("$stage"/usr/bin/vell-*)
[ -e "${programs[0]}" ] || fail "no programs installed from $build"
models=$stage/usr/share/vell/models
[ -n "$(ls -A "$models" 2>/dev/null)" ] || fail "no models in $build (run scripts/setup.sh, then configure again)"

# Manual pages are compressed as Debian's do; each program needs one.
for program in "${programs[@]}"; do
  page=$stage/usr/share/man/man1/$(basename "$program").1
  [ -f "$page" ] || fail "no manual page for $(basename "$program") (pandoc makes them at build time)"
  gzip -9n "$page"
done

# Every file of the private library folder and of the models folder needs a
# paragraph of the copyright file naming it (the catch-all `*` does not
# count); a paragraph naming a file the package does not hold is reported. The
# models folder is filled from the set-up cache, which may hold files of
# other checkouts: an unnamed model is left out, with a warning, while an
# unnamed library stops the build.
mapfile -t patterns < <(awk '
  /^[^ \t]/ { named = ($1 == "Files:"); if (named) sub(/^Files:/, "") }
  named { for (i = 1; i <= NF; i++) if ($i != "*") print $i }' "$here/copyright")
mapfile -t third_party < <(cd "$stage" && find usr/share/vell/models usr/lib/vell -type f 2>/dev/null | sort)
for file in "${third_party[@]}"; do
  named=
  for pattern in "${patterns[@]}"; do
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    [[ $file == $pattern ]] && named=yes && break
  done
  [ -z "$named" ] || continue
  case $file in
    usr/share/vell/models/*)
      echo "package: warning: $file left out, as package/copyright has no paragraph for it" >&2
      rm "$stage/$file"
      ;;
    *) fail "$file has no paragraph in package/copyright: add its licence there" ;;
  esac
done
mapfile -t packaged < <(cd "$stage" && find usr -type f)
for pattern in "${patterns[@]}"; do
  named=
  for file in "${packaged[@]}"; do
    # shellcheck disable=SC2053
    [[ $file == $pattern ]] && named=yes && break
  done
  [ -n "$named" ] || echo "package: warning: package/copyright names $pattern, which the package does not hold" >&2
done
doc=$stage/usr/share/doc/vell
mkdir -p "$doc"
cp "$here/copyright" "$doc/copyright"
mkdir -p "$stage/usr/share/lintian/overrides"
cp "$here/lintian-overrides" "$stage/usr/share/lintian/overrides/vell"

# A native package's changelog: one entry for the commit it was built from.
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
maintainer=$(sed -n 's/^Maintainer: //p' "$here/control")
{
  echo "vell ($version) unstable; urgency=medium"
  echo
  echo "  * Built from commit $commit of the vell tool suite."
  echo
  echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n > "$doc/changelog.gz"

# Dependencies: the shared libraries the programs (and bundled libraries)
# link, and the data the programs read at run time.
# It resolves $ORIGIN in a search path only inside a tree with a DEBIAN folder.
printf 'Source: vell\n\nPackage: vell\nArchitecture: any\n' > "$work/debian/control"
mkdir -p "$stage/DEBIAN"
shlibs=$(cd "$work" && dpkg-shlibdeps -O "${objects[@]/#/-e}" 2>"$work/shlibdeps.log") ||
  { cat "$work/shlibdeps.log" >&2; fail "dpkg-shlibdeps failed"; }
depends=${shlibs#shlibs:Depends=}
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"
depends="$depends, tesseract-ocr-eng"

# Installed-Size as dpkg-gencontrol counts it: KiB per file, rounded up, and
# one per folder or link.
installed_size=$(cd "$stage" && find . -mindepth 1 -path ./DEBIAN -prune -o -printf '%y %s\n' |
  awk '{ size += ($1 == "f") ? int(($2 + 1023) / 1024) : 1 } END { print size }')

sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@INSTALLED_SIZE@/$installed_size/" \
  -e "s/@DEPENDS@/$depends/" "$here/control" > "$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$out/vell_${version}_${arch}.deb
dpkg-deb --root-owner-group "${compression[@]}" --build "$stage" "$deb" >/dev/null
echo "$deb"
