#!/bin/bash
# Builds the Debian package from a build tree, unpacks it with dpkg-deb into
# an empty root and runs every program from there, with HOME and
# XDG_CACHE_HOME empty: each must find its models and libraries in the
# unpacked root alone, never in the build tree or the set-up cache.
#   package_test.sh BUILD_DIR VERSION   (SAMPLES: the sample pictures)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
version=$2
pictures=${SAMPLES:?SAMPLES is the sample pictures folder}/pictures
programs=(vell-cover vell-place vell-seal vell-video vell-encode vell-calendar vell-cutout)

tmp=$(mktemp -d)
calendar_pid=
cleanup() {
  [ -z "$calendar_pid" ] || kill "$calendar_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

deb=$("$source_dir/scripts/package.sh" --fast --out "$tmp" "$build")
root=$tmp/root
dpkg-deb -x "$deb" "$root"
echo "package: $(basename "$deb"), $(du -h "$deb" | cut -f1) (uncompressed)"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
check "named vell, version $version" test "$(field Package) $(field Version)" = "vell $version"
check "architecture of this machine" test "$(field Architecture)" = "$(dpkg --print-architecture)"
depends_on() { field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$1"; }
check "depends on the C library (found by dpkg-shlibdeps)" depends_on libc6
check "depends on libvips (found by dpkg-shlibdeps)" depends_on libvips42
check "depends on Tesseract's English data" depends_on tesseract-ocr-eng

# The layout.
only_under_usr() { [ "$(ls "$root")" = usr ]; }
check "everything under /usr" only_under_usr
manual_page() {
  zcat "$root/usr/share/man/man1/$1.1.gz" | grep -q "^$1 \\\\- ."
}
for program in "${programs[@]}"; do
  check "$program in /usr/bin" test -x "$root/usr/bin/$program"
  check "$program has a manual page with its NAME line" manual_page "$program"
done
unit=$root/usr/lib/systemd/user/vell-calendar@.service
check "the calendar unit starts /usr/bin/vell-calendar" grep -qx 'ExecStart=/usr/bin/vell-calendar %f' "$unit"
check "the copyright file is machine-readable" \
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$root/usr/share/doc/vell/copyright"
models=$root/usr/share/vell/models
check "the models folder holds the set-up's models" \
  test -s "$models/isnet-512.onnx" -a -s "$models/face_detection_front_128x128_barracuda.onnx" -a -s "$models/blazeface.LICENSE"

# A search path written into a program must be relative to the program, or
# the unpacked and installed programs would load the build tree's libraries.
relative_search_path() {
  local paths
  paths=$(readelf -d "$1" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p' | tr ':' '\n')
  ! grep -v '^\$ORIGIN' <<<"$paths" | grep -q .
}
for program in "${programs[@]}"; do
  check "$program has no absolute library search path" relative_search_path "$root/usr/bin/$program"
done

# Programs of the unpacked root run with a bare environment; the dynamic
# loader logs every library it loads into ld/<name>.<pid>. env execs the
# program, so a program started in the background has env's process id.
home=$tmp/home
mkdir -p "$home/home" "$home/cache" "$home/data" "$tmp/ld" "$tmp/out"
bare() {
  environment=(env -i PATH=/usr/bin:/bin HOME="$home/home" XDG_CACHE_HOME="$home/cache"
    XDG_DATA_HOME="$home/data" TZ=UTC LD_DEBUG=libs LD_DEBUG_OUTPUT="$tmp/ld/$1")
}
run() {
  local name=$1 program=$2
  shift 2
  bare "$name"
  "${environment[@]}" "$root/usr/bin/$program" "$@"
}
out=$tmp/out

cover=$(run cover vell-cover "$pictures/astronaut.png" "$out/cover.jpg" --size 480x300) || true
check "vell-cover writes a cover and its report" \
  grep -q '"quality"' <<<"$cover"
check "the cover is a 480 x 300 JPEG" \
  test "$(vipsheader -f width "$out/cover.jpg" 2>/dev/null)x$(vipsheader -f height "$out/cover.jpg" 2>/dev/null)" = 480x300

printf 'face\t%s\ncat\t%s\ntext\t%s\n' "$pictures/astronaut.png" "$pictures/chelsea.png" \
  "$pictures/imageTextN.png" > "$out/list.txt"
place=$(run place vell-place --width 1 "$out/list.txt") || true
place_member() { /usr/bin/python3 -c '
import json, sys
lines = {line["k"]: line for line in map(json.loads, sys.stdin)}
print(lines.get(sys.argv[1], {}).get(sys.argv[2], ""))' "$1" "$2" <<<"$place"; }
check "vell-place finds the astronaut's face (BlazeFace)" test "$(place_member face f)" = 1
check "vell-place finds the cat (CenterNet)" test "$(place_member cat an)" = 1
positive() { awk -v value="$1" 'BEGIN { exit !(value + 0 > 0) }'; }
check "vell-place finds text (PP-OCRv4)" positive "$(place_member text tc)"
check "vell-place reads the text (Tesseract's data)" grep -q '[A-Za-z]' <<<"$(place_member text tx)"

check "vell-seal selftest says ok" test "$(run seal vell-seal selftest)" = ok

check "vell-cutout cuts the astronaut out" run cutout vell-cutout "$pictures/astronaut.png" "$out/cutout.png"
check "the cut-out is a PNG" test "$(head -c 8 "$out/cutout.png" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a

mkdir -p "$out/frames"
cp "$pictures/astronaut.png" "$pictures/chelsea.png" "$out/frames/"
echo '[["astronaut.png", 0], ["chelsea.png", 0.5]]' > "$out/frames/index.json"
check "vell-encode makes a one-second video" \
  test "$(run encode vell-encode "$out/frames" "$out/video.mp4" 1 320 180 500000)" = ok
check "the video holds 30 frames" \
  test "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$out/video.mp4" 2>/dev/null)" = 30

check "vell-video answers a status query" \
  test "$(run video vell-video --status)" = '{"status":"not-determined"}'

base=$out/calendar
mkdir -p "$base/jobs" "$base/results"
bare calendar
"${environment[@]}" "$root/usr/bin/vell-calendar" "$base" &
calendar_pid=$!
# A loaded machine may take a while to start the bridge; wait for the state
# itself rather than for any first write.
for _ in $(seq 600); do
  grep -qs '"state":"ready"' "$base/status.json" && break
  sleep 0.1
done
check "vell-calendar writes its status file" grep -q '"state":"ready"' "$base/status.json"
kill -TERM "$calendar_pid"
calendar_status=0
wait "$calendar_pid" || calendar_status=$?
calendar_pid=
check "vell-calendar ends on SIGTERM with status 0" test "$calendar_status" = 0

# Every library any program loaded is the system's or the unpacked root's.
mapfile -t loaded < <(cat "$tmp"/ld/* | sed -n 's/.*calling init: //p' | sort -u)
foreign=$(printf '%s\n' "${loaded[@]}" | grep -Ev "^(/lib/|/lib64/|/usr/lib/|$root/)" || true)
check "the loader log names the libraries loaded" test "${#loaded[@]}" -gt 10
check "no library loaded from outside the system and the unpacked root${foreign:+: $foreign}" \
  test -z "$foreign"

# With the unpacked models folder gone, a program that needs a model fails:
# it read the unpacked one, not the build tree's or the cache's.
mv "$models" "$models.gone"
missing=0
run cutout-without-models vell-cutout "$pictures/astronaut.png" "$out/none.png" 2>/dev/null || missing=$?
check "without the unpacked models, vell-cutout fails as a missing model fails (5)" test "$missing" = 5

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
