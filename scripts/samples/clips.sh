#!/bin/bash
# Video clips for vell-video: two real clips from python3-imageio and
# variants derived from them with ffmpeg and exiftool (rotation tag, location
# and device tags, no audio, other codecs, a 1920x1080 clip of 12 s).
# Idempotent: a derived clip is made once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
out="$VELL_CACHE/samples/clips"
mkdir -p "$out"
images=usr/lib/python3/dist-packages/imageio/resources/images
deb_extract python3-imageio "$images/cockatoo.mp4" "$out/cockatoo.mp4" \
  5fde35f5a288ca86e216d2dc28188ab64b4560d3021f273faefdf0de80f38aa5
deb_extract python3-imageio "$images/realshort.mp4" "$out/realshort.mp4" \
  a8b35c2c2130453b9ea1172ad4af68ac027bc2483ef0545769684722127bfe18
deb_extract python3-imageio "$images/astronaut.png" "$out/astronaut.png"

# make NAME COMMAND...: runs COMMAND with the argument PART standing for the
# file to write, kept as NAME on success.
make() {
  local name=$1
  shift
  [ -s "$out/$name" ] && return 0
  part="$out/.$name.part.${name##*.}"
  rm -f "$part"
  local args=()
  for arg in "$@"; do
    [ "$arg" = PART ] && args+=("$part") || args+=("$arg")
  done
  "${args[@]}"
  mv "$part" "$out/$name"
}
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# 1.5 s of the cockatoo turned a quarter (the tag only, not the pixels), with a
# location in every container form and device, author and comment tags.
tagged() {
  ff -i "$out/cockatoo.mp4" -t 1.5 -c copy -metadata:s:v:0 rotate=90 "$part"
  exiftool -q -overwrite_original -api LargeFileSupport=1 \
    -UserData:GPSCoordinates="48.8584, 2.2945, 35" \
    -Keys:GPSCoordinates="48.8584, 2.2945, 35" \
    -XMP:GPSLatitude=48.8584 -XMP:GPSLongitude=2.2945 \
    -UserData:Make=Vellphone -UserData:Model="Vellphone 7" \
    -Keys:Make=Vellphone -Keys:Model="Vellphone 7" \
    -UserData:Author="Ada Example" -Keys:Author="Ada Example" \
    -UserData:Comment="at home" -Keys:Comment="at home" "$part"
}
make tagged.mp4 tagged
make noaudio.mp4 ff -i "$out/cockatoo.mp4" -t 1.5 -an -c copy PART
make hevc.mkv ff -i "$out/realshort.mp4" -c:v libx265 -x265-params log-level=error -preset ultrafast -c:a copy PART
make vp9.webm ff -i "$out/realshort.mp4" -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus PART
make mjpeg.avi ff -i "$out/realshort.mp4" -c:v mjpeg -q:v 4 -c:a pcm_s16le PART
# 1920x1080 at 30 fps, 12 s: the astronaut sliding over a moving test
# pattern, with a stereo tone.
make full-hd.mp4 ff -f lavfi -i testsrc2=size=1920x1080:rate=30 -loop 1 -i "$out/astronaut.png" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000" \
  -filter_complex "[1]scale=768:768[p];[0][p]overlay=x='t*90':y=156[v]" \
  -map "[v]" -map 2 -ac 2 -t 12 -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p \
  -c:a aac -b:a 128k PART
