#!/bin/bash
# vell-encode against the ffmpeg command line doing the same job: the same
# real photos on the same schedule, 22 s of 1080 x 1920 at 10 Mbit/s with
# x264's medium preset (the default of both). Prints wall time, peak memory
# processor time and frames per second of each, and the ratios. Other work on
# the machine slows both alike; processor time shows what each one costs.
#
# Usage: bench/encode/run.sh [BIN_DIR]   (default: build/bin)
# Needs the sample pictures (scripts/samples.sh), ffmpeg and GNU time.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/bin}
samples=${SAMPLES:-${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}/samples}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Thirteen real photos, one of them at a phone camera's 12 megapixels. All
# JPEG: the concat demuxer keeps the decoder of its first file, so the two
# PNG photos are handed to both programs as JPEGs.
photos=(anne_helene.jpg citrus-fruits.jpg cold_water.jpg donna.jpg european-honey-bee.jpg
  jesper.jpg pool.jpg qt-logo.jpg scenetext01.jpg scenetext02.jpg)
mkdir -p "$work/frames"
for photo in "${photos[@]}"; do
  cp "$samples/pictures/$photo" "$work/frames/"
done
for photo in astronaut chelsea; do
  vips copy "$samples/pictures/$photo.png" "$work/frames/$photo.jpg[Q=92]"
  photos+=("$photo.jpg")
done
cp "$samples/derived/bee-12mp.jpg" "$work/frames/"
photos+=(bee-12mp.jpg)

total=22
count=${#photos[@]}
# Equal shares of the length, as index times and as concat durations.
python3 - "$work" "$total" "${photos[@]}" <<'PY'
import json, sys
work, total, photos = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
share = total / len(photos)
with open(f"{work}/frames/index.json", "w") as index:
    json.dump([[name, 1000 + k * share] for k, name in enumerate(photos)], index)
with open(f"{work}/list.txt", "w") as concat:
    for name in photos:
        concat.write(f"file '{work}/frames/{name}'\nduration {share:.6f}\n")
    # The concat demuxer takes the last entry's duration only when the file
    # is listed once more.
    concat.write(f"file '{work}/frames/{photos[-1]}'\n")
PY

# measure NAME COMMAND...: prints "wall-seconds kilobytes cpu-seconds" of one run.
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %M %U %S" -o "$work/$name.time" "$@" >"$work/$name.log" 2>&1 ||
    { echo "$name failed:"; cat "$work/$name.log"; exit 1; }
  read -r wall kb user system <"$work/$name.time"
  echo "$wall $kb $(python3 -c "print($user + $system)")"
}
frames() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$1"
}
bitrate() {
  ffprobe -v error -show_entries format=bit_rate -of csv=p=0 "$1"
}

read -r vell_s vell_kb vell_cpu < <(measure vell "$bin/vell-encode" "$work/frames" "$work/vell.mp4" \
  "$total" 1080 1920 10000000)
# -reinit_filter 0: rebuilding the filters at each photo of another size
# would restart the fps filter and drop most frames. -t: the repeated last
# entry would add a frame.
read -r ff_s ff_kb ff_cpu < <(measure ffmpeg ffmpeg -nostdin -y -reinit_filter 0 -f concat -safe 0 \
  -i "$work/list.txt" -vf fps=30,scale=1080:1920 -c:v libx264 -preset medium -profile:v high \
  -b:v 10M -pix_fmt yuv420p -t "$total" "$work/ffmpeg.mp4")

vell_frames=$(frames "$work/vell.mp4")
ff_frames=$(frames "$work/ffmpeg.mp4")
python3 - "$count" "$vell_s" "$vell_kb" "$vell_cpu" "$vell_frames" "$(bitrate "$work/vell.mp4")" \
  "$ff_s" "$ff_kb" "$ff_cpu" "$ff_frames" "$(bitrate "$work/ffmpeg.mp4")" <<'PY'
import sys
count = sys.argv[1]
vs, vkb, vc, vf, vb, fs, fkb, fc, ff, fb = (float(x) for x in sys.argv[2:])
print(f"{count} photos, 22 s, 1080 x 1920, 10 Mbit/s, x264 preset medium")
print(f"{'':12} {'wall s':>8} {'cpu s':>8} {'peak MiB':>9} {'frames':>7} {'frames/s':>9} {'Mbit/s':>7}")
for name, s, kb, c, f, b in (("vell-encode", vs, vkb, vc, vf, vb), ("ffmpeg", fs, fkb, fc, ff, fb)):
    print(f"{name:12} {s:8.2f} {c:8.2f} {kb / 1024:9.1f} {f:7.0f} {f / s:9.1f} {b / 1e6:7.2f}")
print(f"ratios vell-encode / ffmpeg: wall time {vs / fs:.2f}, processor time {vc / fc:.2f}, "
      f"peak memory {vkb / fkb:.2f}, frames per second {(vf / vs) / (ff / fs):.2f}")
PY
