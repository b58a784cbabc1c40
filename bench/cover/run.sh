#!/bin/bash
# vell-cover against the libvips command line doing the nearest job: an
# attention smart crop to 2400 x 1500 (shrink-on-load), a sharpen and a
# progressive JPEG at Q 90. On a 12- and a 20-megapixel JPEG: wall time and
# peak memory (the best of a few runs each), and the ratios.
#
#   bench/cover/run.sh [RUNS]     (VELL_BIN: the programs, default build/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${VELL_BIN:-$root/build/bin}
runs=${1:-3}
source "$root/scripts/lib.sh"
derived="$VELL_CACHE/samples/derived"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in "$bin/vell-cover" /usr/bin/time vips; do
  command -v "$tool" >/dev/null || { echo "bench: $tool missing" >&2; exit 1; }
done

# measure CMD...: the best wall time (s) and the peak resident memory (MiB)
# over $runs runs, as "seconds mebibytes".
measure() {
  local best_time="" best_memory=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
      { cat "$work/err" >&2; exit 1; }
    read -r seconds kilobytes < "$work/time"
    best_time=$(echo "$seconds ${best_time:-$seconds}" | awk '{print ($1 < $2) ? $1 : $2}')
    best_memory=$(echo "$kilobytes ${best_memory:-$kilobytes}" | awk '{print ($1 < $2) ? $1 : $2}')
  done
  echo "$best_time $(awk -v k="$best_memory" 'BEGIN {printf "%.0f", k / 1024}')"
}

# The peer job: three vips commands through uncompressed .v files; its time
# is the sum of theirs and its memory the largest of theirs.
measure_peer() {
  local input=$1 total=0 memory=0 step
  for step in thumbnail sharpen jpegsave; do
    case $step in
      thumbnail) read -r t m < <(measure vips thumbnail "$input" "$work/thumb.v" 2400 --height 1500 --crop attention) ;;
      sharpen) read -r t m < <(measure vips sharpen "$work/thumb.v" "$work/sharp.v") ;;
      jpegsave) read -r t m < <(measure vips jpegsave "$work/sharp.v" "$work/peer.jpg" --Q 90 --interlace --optimize-coding --strip) ;;
    esac
    total=$(awk -v a="$total" -v b="$t" 'BEGIN {print a + b}')
    memory=$(( m > memory ? m : memory ))
  done
  echo "$total $memory"
}

printf '%-12s %-22s %9s %9s %11s %11s\n' picture job "time s" "peak MiB" "time ratio" "mem ratio"
for picture in bee-12mp.jpg bee-20mp.jpg; do
  input="$derived/$picture"
  [ -f "$input" ] || { echo "bench: $input missing; run scripts/samples.sh" >&2; exit 1; }
  read -r peer_time peer_memory < <(measure_peer "$input")
  read -r cover_time cover_memory < <(measure "$bin/vell-cover" "$input" "$work/cover.jpg")
  read -r analyze_time analyze_memory < <(measure "$bin/vell-cover" "$input" --analyze)
  printf '%-12s %-22s %9s %9s %11s %11s\n' "$picture" "vips (peer)" "$peer_time" "$peer_memory" 1 1
  for job in normal analyze; do
    if [ $job = normal ]; then t=$cover_time m=$cover_memory; else t=$analyze_time m=$analyze_memory; fi
    printf '%-12s %-22s %9s %9s %11s %11s\n' "$picture" "vell-cover $job" "$t" "$m" \
      "$(awk -v a="$t" -v b="$peer_time" 'BEGIN {printf "%.2f", a / b}')" \
      "$(awk -v a="$m" -v b="$peer_memory" 'BEGIN {printf "%.2f", a / b}')"
  done
done
echo "targets: normal mode within 1.0 x the peer's time and 2 x its peak memory"
