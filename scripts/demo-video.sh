#!/bin/bash
# vell-video on a demo photo library: the status query, an excerpt of the
# cockatoo clip, a rotated clip with a location that the export drops, and
# two failures. Needs VELL_BIN and VELL_DEMO_OUT (scripts/demo.sh sets them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
clips="$VELL_CACHE/samples/clips"
[ -s "$clips/tagged.mp4" ] || bash "$root/scripts/samples/clips.sh"
out="$VELL_DEMO_OUT/video"
rm -rf "$out"
mkdir -p "$out/data/vell/photos"
# The library a library manager would fill; the program finds it through
# XDG_DATA_HOME.
sqlite3 "$out/data/vell/photos/library.sqlite" "
  CREATE TABLE assets(local_id TEXT PRIMARY KEY, media_type INTEGER, path TEXT,
    pixel_width INTEGER, pixel_height INTEGER, duration REAL, in_cloud INTEGER);
  INSERT INTO assets VALUES('B84E8479-475C-4727-A4A4-B77AA9980897/L0/001', 2, '$clips/cockatoo.mp4', 1280, 720, 14.0, 0);
  INSERT INTO assets VALUES('ED7AC36B-A150-4C38-BB8C-B6D696F4F2ED/L0/001', 2, '$clips/tagged.mp4', 1280, 720, 1.6, 0);
  INSERT INTO assets VALUES('9F983DBA-EC35-42B8-8773-B597CF782EDD/L0/001', 1, '$clips/astronaut.png', 512, 512, 0, 0);
  INSERT INTO assets VALUES('1B3F5B8E-2C11-4F0B-9E0A-3D5B7C1A2F44/L0/001', 2, 'IMG_0042.MOV', 3840, 2160, 61.5, 1);"

video() {
  echo "\$ vell-video $*"
  local status=0
  XDG_DATA_HOME="$out/data" "$VELL_BIN/vell-video" "$@" || status=$?
  echo "  exit status $status"
}
describe() {
  ffprobe -v error -show_entries stream=codec_name,width,height:format=duration \
    -of compact=p=0:nk=0 "$1" | sed 's/^/  ffprobe: /'
  local found
  found=$(exiftool -q -a -G1 -s "$1" | grep -ciE 'gps|make|model|author' || true)
  echo "  exiftool: $found location or device tags"
}

video --status
video B84E8479-475C-4727-A4A4-B77AA9980897/L0/001 "$out/cockatoo-excerpt.mp4" --start 3 --dur 5 --size 720
describe "$out/cockatoo-excerpt.mp4"
echo "  the source clip carries: $(exiftool -q -a -G1 -s "$clips/tagged.mp4" | grep -ciE 'gps|make|model|author') location or device tags"
video ED7AC36B-A150-4C38-BB8C-B6D696F4F2ED/L0/001 "$out/rotated.mp4"
describe "$out/rotated.mp4"
video 9F983DBA-EC35-42B8-8773-B597CF782EDD/L0/001 "$out/photo.mp4"
video 1B3F5B8E-2C11-4F0B-9E0A-3D5B7C1A2F44/L0/001 "$out/cloud.mp4"
echo "exports are in $out"
