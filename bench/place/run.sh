#!/bin/bash
# Throughput, peak memory and time to first line of vell-place on the sample
# photos at their real sizes.
#   bench/place/run.sh [BIN_DIR]   (ENTRIES=200 by default)
# Prints pictures per second at --width 1, 2 and 4 (--ocr auto) and at
# --width 2 with --ocr never, the ratio of width 2 to width 1, the peak
# memory of a 20-entry against an ENTRIES-entry run, and when the first line
# arrives against the whole run.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-${VELL_BIN:-$root/build/bin}}
place="$bin/vell-place"
entries=${ENTRIES:-200}
samples=${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}/samples/pictures
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$place" ] || { echo "no $place; build first" >&2; exit 1; }

photos=()
for photo in "$samples"/*.jpg "$samples"/*.png; do
  [ -e "$photo" ] && photos+=("$photo")
done
[ ${#photos[@]} -gt 0 ] || { echo "no sample photos in $samples; run scripts/samples.sh" >&2; exit 1; }

make_list() {  # make_list COUNT FILE
  local i
  : > "$2"
  for ((i = 0; i < $1; i++)); do
    printf 'p%d\t%s\n' "$i" "${photos[i % ${#photos[@]}]}" >> "$2"
  done
}
make_list "$entries" "$work/big.txt"
make_list 20 "$work/small.txt"

calc() { awk "BEGIN { print $* }"; }

# run LIST ARGS...: prints "seconds peak-KiB lines cpu-seconds"
run() {
  local list=$1
  shift
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%M %U %S" -o "$work/rss" "$place" "$@" "$list" > "$work/out"
  end=$(date +%s.%N)
  read -r peak user system < "$work/rss"
  echo "$(calc "$end - $start") $peak $(wc -l < "$work/out") $(calc "$user + $system")"
}

echo "vell-place on $entries entries drawn from ${#photos[@]} sample photos, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
echo "  (the workers run at a lower priority: on a busy machine wall time measures the other load)"
declare -A rate peaks
for width in 1 2 4; do
  read -r seconds peak lines cpu < <(run "$work/big.txt" --width "$width" --ocr auto)
  rate[$width]=$(calc "$lines / $seconds")
  peaks[$width]=$peak
  printf '  --width %d --ocr auto:  %6.2f pictures/s  (%d lines in %.1f s, %.2f processor s a picture, peak %d MiB)\n' \
    "$width" "${rate[$width]}" "$lines" "$seconds" "$(calc "$cpu / $lines")" $((peak / 1024))
done
read -r seconds peak lines cpu < <(run "$work/big.txt" --width 2 --ocr never)
printf '  --width 2 --ocr never: %6.2f pictures/s  (%d lines in %.1f s, %.2f processor s a picture, peak %d MiB)\n' \
  "$(calc "$lines / $seconds")" "$lines" "$seconds" "$(calc "$cpu / $lines")" $((peak / 1024))
printf '  width 2: %.2f pictures/s (target at least 3.5)\n' "${rate[2]}"
printf '  width 2 / width 1: %.2f x (target at least 1.6 x)\n' "$(calc "${rate[2]} / ${rate[1]}")"
printf '  peak memory width 4 / width 1: %.2f x (target at most 1.3 x)\n' \
  "$(calc "${peaks[4]} / ${peaks[1]}")"

read -r _ small_peak _ < <(run "$work/small.txt" --width 2)
read -r _ big_peak _ < <(run "$work/big.txt" --width 2)
printf '  peak memory: 20 entries %d MiB, %d entries %d MiB: %.2f x (target at most 1.2 x)\n' \
  $((small_peak / 1024)) "$entries" $((big_peak / 1024)) "$(calc "$big_peak / $small_peak")"

# Each line must reach a reading parent when its picture is done: note when
# the first and the last line arrive.
start=$(date +%s.%N)
first=""
while IFS= read -r _; do
  [ -n "$first" ] || first=$(date +%s.%N)
done < <("$place" --width 2 "$work/small.txt")
end=$(date +%s.%N)
printf '  first line after %.2f s of a %.2f s run of 20 pictures (%.2f s a picture on average)\n' \
  "$(calc "$first - $start")" "$(calc "$end - $start")" "$(calc "($end - $start) / 20")"
