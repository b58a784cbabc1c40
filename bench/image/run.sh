#!/bin/bash
# Decode time of a 12-megapixel JPEG through the imaging layer, beside
# `vipsheader` (header only) and `vips copy` (decode and write the raw
# pixels to memory-backed storage) on the same file, in one run.
# Usage: bench/image/run.sh BUILD_DIR [PICTURE] [RUNS]
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR [PICTURE] [RUNS]}
cache=${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}
picture=${2:-$cache/samples/derived/bee-12mp.jpg}
runs=${3:-7}
bench="$build/bench/image/image_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target image_bench)" >&2; exit 1; }
[ -f "$picture" ] || { echo "no $picture: run scripts/samples.sh" >&2; exit 1; }

scratch=$(mktemp -d /dev/shm/vell-bench-XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# median_ms COMMAND...: "wall cpu" medians of RUNS runs, in milliseconds
# (cpu: user + system time of the process and its threads).
median_ms() {
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    local line
    /usr/bin/time -o "$scratch/time" -f "%e %U %S" "$@" >/dev/null 2>&1
    line=$(tail -1 "$scratch/time")
    walls+=("$(echo "$line" | awk '{print $1 * 1000}')")
    cpus+=("$(echo "$line" | awk '{print ($2 + $3) * 1000}')")
  done
  local middle=$(((runs + 1) / 2))
  echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p") $(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}

echo "picture: $picture ($(vipsheader "$picture" | cut -d: -f2 | cut -d, -f1 | xargs)), median of $runs runs"
ours=$("$bench" "$picture" "$runs")
header=$(median_ms vipsheader "$picture")
copy=$(median_ms vips copy "$picture" "$scratch/copy.v")
printf '%-36s %10s %10s\n' "" "wall ms" "cpu ms"
row() { printf '%-36s %10.1f %10.1f\n' "$1" $2; }
row "vipsheader (process, header only)" "$header"
row "vips copy to .v (process, decode)" "$copy"
while read -r name wall cpu; do row "$name (in process)" "$wall $cpu"; done <<< "$ours"
decode=$(echo "$ours" | awk '$1 == "decode" {print $2, $3}')
echo "$decode $copy $header" | awk '{
  printf "ratio decode / vips copy: wall %.2f, cpu %.2f\n", $1 / $3, $2 / $4
  printf "ratio decode / (vips copy - vipsheader), start-up left out: wall %.2f, cpu %.2f\n", $1 / ($3 - $5), $2 / ($4 - $6)
}'
