#!/bin/bash
# vell-encode's main job: the sample photos, each shown for a second, turned
# into a 1080 x 1920 H.264 MP4, then read back with ffprobe and a contact
# sheet of one frame per second.
set -euo pipefail
bin=${VELL_BIN:?VELL_BIN is the programs folder}
out=${VELL_DEMO_OUT:?VELL_DEMO_OUT is the demo output folder}
source "$(dirname "$0")/lib.sh"
pictures="$VELL_CACHE/samples/pictures"

frames="$out/encode-frames"
rm -rf "$frames"
mkdir -p "$frames"
photos=(astronaut.png chelsea.png jesper.jpg pool.jpg donna.jpg european-honey-bee.jpg
  citrus-fruits.jpg cold_water.jpg)
index="["
t=0
for photo in "${photos[@]}"; do
  ln -s "$pictures/$photo" "$frames/$photo"
  index+="[\"$photo\", $t],"
  t=$((t + 1))
done
echo "${index%,}]" > "$frames/index.json"
echo "index.json: ${#photos[@]} photos, one a second"

video="$out/encode.mp4"
echo "\$ vell-encode $frames $video ${#photos[@]} 1080 1920 8000000"
start=$(date +%s%N)
set +e
said=$("$bin/vell-encode" "$frames" "$video" "${#photos[@]}" 1080 1920 8000000)
status=$?
set -e
ms=$((($(date +%s%N) - start) / 1000000))
echo "vell-encode said \"$said\" (exit status $status) after $((ms / 1000)).$(printf %03d $((ms % 1000))) s"
[ "$status" -eq 0 ] || exit 1

ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,profile,width,height,r_frame_rate,nb_read_frames:format=duration,bit_rate \
  -of default=noprint_wrappers=1 "$video" | sed 's/^/  /'
sheet="$out/encode-contact-sheet.jpg"
ffmpeg -v error -nostdin -y -i "$video" -vf "fps=1,scale=180:320,tile=${#photos[@]}x1" \
  -frames:v 1 "$sheet"
echo "video: $video"
echo "one frame a second side by side: $sheet"
