#!/bin/bash
# Wall time of vell-video exporting real clips beside the ffmpeg command line
# doing the same job (same excerpt, fit into the same box but never scaled up,
# libx264 medium CRF 23 High,
# AAC 128 kb/s, no metadata, index first). Prints each pair and the ratios
# vell-video / ffmpeg of wall and processor time (below 1: vell-video is
# faster), with the output sizes, which match when the job is the same.
#   bench/video/run.sh [BIN_DIR]     (default: build/bin; REPEAT=n takes the best of n)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-${VELL_BIN:-$root/build/bin}}
repeat=${REPEAT:-1}
source "$root/scripts/lib.sh"
clips="$VELL_CACHE/samples/clips"
[ -s "$clips/full-hd.mp4" ] || bash "$root/scripts/samples/clips.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
library="$work/data/vell/photos"
mkdir -p "$library"
sqlite3 "$library/library.sqlite" "
  CREATE TABLE assets(local_id TEXT PRIMARY KEY, media_type INTEGER, path TEXT,
    pixel_width INTEGER, pixel_height INTEGER, duration REAL, in_cloud INTEGER);
  INSERT INTO assets VALUES('cockatoo', 2, '$clips/cockatoo.mp4', 1280, 720, 14.0, 0);
  INSERT INTO assets VALUES('full-hd', 2, '$clips/full-hd.mp4', 1920, 1080, 12.0, 0);"

# best COMMAND...: runs it $repeat times; prints the best wall time and the
# best processor time (user + system, less sensitive to a busy machine).
best() {
  local wall="" cpu="" times="$work/times"
  for _ in $(seq "$repeat"); do
    /usr/bin/time -o "$times" -f "%e %U %S" "$@" >/dev/null
    read -r w u s < <(tail -1 "$times")
    wall=$(echo "$w $wall" | awk '{print ($2=="" || $1<$2) ? $1 : $2}')
    cpu=$(echo "$u $s $cpu" | awk '{t=$1+$2; print ($3=="" || t<$3) ? t : $3}')
  done
  echo "$wall $cpu"
}

# job NAME ID SIZE BOX START DUR: one export both ways.
job() {
  local name=$1 id=$2 size=$3 box=$4 start=$5 dur=$6
  local source="$clips/$id.mp4" width=${box%x*} height=${box#*x}
  local vell_args=("$id" "$work/vell-$name.mp4" --size "$size")
  local cut=()
  if [ "$dur" != 0 ]; then
    vell_args+=(--start "$start" --dur "$dur")
    cut=(-ss "$start" -t "$dur")
  fi
  local vell ff
  read -r vell vell_cpu < <(best env XDG_DATA_HOME="$work/data" "$bin/vell-video" "${vell_args[@]}")
  read -r ff ff_cpu < <(best ffmpeg -nostdin -v error -y "${cut[@]}" -i "$source" \
    -vf "scale=w='min(iw,$width)':h='min(ih,$height)':force_original_aspect_ratio=decrease:force_divisible_by=2" \
    -c:v libx264 -preset medium -crf 23 -profile:v high -pix_fmt yuv420p \
    -c:a aac -b:a 128k -map_metadata -1 -movflags +faststart "$work/ffmpeg-$name.mp4")
  local vsize fsize vdim
  vsize=$(stat -c %s "$work/vell-$name.mp4")
  fsize=$(stat -c %s "$work/ffmpeg-$name.mp4")
  vdim=$(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0:s=x "$work/vell-$name.mp4")
  printf "%-28s %9s  vell-video %6.2f s (cpu %6.2f s) %5d kB   ffmpeg %6.2f s (cpu %6.2f s) %5d kB   wall ratio %.2f  cpu ratio %.2f\n" \
    "$name" "$vdim" "$vell" "$vell_cpu" $((vsize / 1000)) "$ff" "$ff_cpu" $((fsize / 1000)) \
    "$(echo "$vell $ff" | awk '{print $1/$2}')" "$(echo "$vell_cpu $ff_cpu" | awk '{print $1/$2}')"
}

echo "vell-video against ffmpeg $(ffmpeg -version | head -1 | cut -d' ' -f3), $(nproc) cores, best of $repeat"
job "1280x720 whole (14 s)" cockatoo 1080 1920x1080 0 0
job "1280x720 excerpt 3 s + 5 s" cockatoo 1080 1920x1080 3 5
job "1920x1080 whole (12 s)" full-hd 1080 1920x1080 0 0
job "1920x1080 excerpt 6 s + 4 s" full-hd 1080 1920x1080 6 4
job "1920x1080 to 1280x720 whole" full-hd 720 1280x720 0 0
