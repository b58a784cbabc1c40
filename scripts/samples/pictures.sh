#!/bin/bash
# Sample pictures from Debian packages, and variants derived from them with
# Debian tools (orientation tags, other formats, alpha, damage, big sizes,
# plain pictures without a subject). Idempotent; quick when all is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../lib.sh
source "$here/../lib.sh"

pictures="$VELL_CACHE/samples/pictures"
derived="$VELL_CACHE/samples/derived"
mkdir -p "$pictures" "$derived"

imageio=usr/lib/python3/dist-packages/imageio/resources/images
demo=usr/share/kphotoalbum/demo
palapeli=usr/share/palapeli/collection
examples=usr/share/doc/opencv-doc/examples

# package, path inside it, sha256 of the file
while read -r package path sum; do
  deb_extract "$package" "$path" "$pictures/$(basename "$path")" "$sum"
done <<EOF
python3-imageio $imageio/astronaut.png b6d8f15b9103f9f9368608886d396d9ce92b10989aee1539a1e37dd1a415b9dd
python3-imageio $imageio/chelsea.png 97403c9c171d1aedd2026c7515e20208ef865eaab56d462c3c2eefade9b7d779
kphotoalbum $demo/jesper.jpg 5b3b5a6cdf040c238c137fd50d3f4e3aa3f6877b6f031c93ad9b06c45225b7e6
kphotoalbum $demo/qt-logo.jpg 12f4d580dff54dab5a4b0c81f4f208cdb1d134782c7b23d2f8c8bab09a80d458
kphotoalbum $demo/pool.jpg c6b1c79236388d3a7608ce1b8702a613f3d62105e36dfebc1fce4efe16e42560
kphotoalbum $demo/cold_water.jpg 1c92d774263012891803360080a03999ffdb4fb643f320d9c106b5a3cbb21306
kphotoalbum $demo/anne_helene.jpg 75dea938bf86530e95c6b74dbcc7fb447947fd17d523121634e08f03e0e7304f
kphotoalbum $demo/donna.jpg c98f91990752bb6dff72bd8bb2820dc28317051c0e60ddf11822a39f076c31da
palapeli-data $palapeli/european-honey-bee.jpg 9d54ae706bddd899c91b2b801d9ca4556a5a9a399b4043f9d539df62a8cb7f27
palapeli-data $palapeli/citrus-fruits.jpg 0cbd7154a14789803167c86705130d0358875198231269df168ea26224e70848
opencv-doc $examples/text/scenetext01.jpg 7f3041a7019ab4d33d2452bc757d8c4f38616bfde71431e12f7ec370d7b2018e
opencv-doc $examples/text/scenetext02.jpg d4295bff9f348012f91a2cf745753124f85041fe3c3717146c6759c4cd977211
opencv-doc $examples/data/imageTextN.png 78e5141dea1ad97e7d3d903de47fe95e9031e8f559bf14179f7e1e539cb1f94f
EOF

# derive DEST COMMAND...: unless DEST is there, runs COMMAND with every "@"
# argument replaced by a temporary path (also in $part, for functions), then
# moves the result into place, so a failed step leaves nothing behind.
derive() {
  local dest=$1
  shift
  [ -s "$dest" ] && return 0
  part="$dest.part.${dest##*.}"
  rm -f "$part"
  local args=()
  for arg in "$@"; do
    if [ "$arg" = @ ]; then args+=("$part"); else args+=("${arg//@\[/$part[}"); fi
  done
  "${args[@]}"
  mv "$part" "$dest"
}

# ImageMagick by its Debian name, whatever `convert` means on this PATH.
magick=convert-im6.q16
command -v "$magick" >/dev/null || magick=convert

bee="$pictures/european-honey-bee.jpg"
astronaut="$pictures/astronaut.png"

# The bee stored as is but tagged as lying on its side: the pixels are not
# turned, only the orientation entry says how to show them.
tag() { cp "$bee" "$part" && exiftool -q -overwrite_original -n -Orientation="$1" "$part"; }
derive "$derived/bee-orientation-6.jpg" tag 6
derive "$derived/bee-orientation-8.jpg" tag 8
derive "$derived/bee-orientation-9.jpg" tag 9  # not an orientation

derive "$derived/bee.heic" heif-enc -q 80 -o @ "$bee"
derive "$derived/bee.avif" heif-enc --avif -q 80 -o @ "$bee"
derive "$derived/bee.webp" cwebp -quiet -q 85 "$bee" -o @
derive "$derived/bee.tif" vips copy "$bee" @

# The astronaut in Display P3: other stored numbers, the same colours once
# the profile is applied.
derive "$derived/astronaut-p3.png" vips icc_transform "$astronaut" @ p3 --embedded

# The astronaut with a transparent frame and a half-transparent middle band.
alpha() {
  "$magick" "$astronaut" \( -size 512x512 xc:white -fill 'gray(50%)' -draw 'rectangle 0,240 511,271' \
    -fill black -draw 'rectangle 0,0 511,31' -draw 'rectangle 0,480 511,511' \
    -draw 'rectangle 0,0 31,511' -draw 'rectangle 480,0 511,511' \) \
    -alpha off -compose CopyOpacity -composite -define png:exclude-chunks=date,time "PNG32:$part"
}
derive "$derived/astronaut-alpha.png" alpha

# The first 60% of the bee's bytes: a JPEG that stops in the middle.
truncate_bee() { head -c $(($(stat -c %s "$bee") * 6 / 10)) "$bee" > "$part"; }
derive "$derived/bee-truncated.jpg" truncate_bee

# Big pictures for the benchmarks: 4000 x 3000, 5472 x 3648 (a 20-megapixel
# camera's frame) and 6000 x 4000.
derive "$derived/bee-12mp.jpg" vips thumbnail "$bee" "@[Q=90]" 4000 --height 3000 --size force
derive "$derived/bee-20mp.jpg" vips thumbnail "$bee" "@[Q=90]" 5472 --height 3648 --size force
derive "$derived/bee-24mp.jpg" vips thumbnail "$bee" "@[Q=90]" 6000 --height 4000 --size force

# A decompression bomb: a valid grey PNG of 20000 x 20000 zero pixels
# (400 megapixels) that weighs about 400 KB on disk.
bomb() {
  python3 - "$part" <<'PY'
import struct, sys, zlib
width = height = 20000
def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
compressor = zlib.compressobj(9)
row = bytes(width + 1)  # filter byte + one grey sample a pixel
parts = [compressor.compress(row) for _ in range(height)]
parts.append(compressor.flush())
with open(sys.argv[1], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n")
    out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)))
    out.write(chunk(b"IDAT", b"".join(parts)))
    out.write(chunk(b"IEND", b""))
PY
}
derive "$derived/bomb-20000x20000.png" bomb

# Pictures with nothing in them: a clear sky and a plain painted wall.
derive "$derived/sky.jpg" "$magick" -size 1200x800 gradient:'#4f86c6'-'#bcd7f0' @
derive "$derived/wall.jpg" "$magick" -seed 7 -size 1200x800 xc:'#d8cfc0' -attenuate 0.15 \
  +noise Gaussian -blur 0x1 @

echo "pictures: $(ls "$pictures" | wc -l) in $pictures, $(ls "$derived" | grep -vc part) in $derived"
