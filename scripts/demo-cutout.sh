#!/bin/bash
# vell-cutout on sample photos: the subjects of each cut out into a PNG with
# transparency, and a plain wall that has none. VELL_BIN: the programs;
# VELL_DEMO_OUT: where to write.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
bin=${VELL_BIN:-$root/build/bin}
out=${VELL_DEMO_OUT:-$root/build/demo}/cutout
mkdir -p "$out"
samples="$VELL_CACHE/samples"

for input in pictures/astronaut.png pictures/qt-logo.jpg pictures/european-honey-bee.jpg \
             pictures/chelsea.png derived/bee-12mp.jpg derived/wall.jpg; do
  path="$samples/$input"
  if [ ! -f "$path" ]; then
    echo "cutout: $path missing; run scripts/samples.sh"
    continue
  fi
  name=$(basename "${input%.*}")
  started=$(date +%s.%N)
  status=0
  message=$("$bin/vell-cutout" "$path" "$out/$name.png" 2>&1) || status=$?
  elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')
  size=$(vipsheader -f width "$path")x$(vipsheader -f height "$path")
  if [ "$status" -eq 0 ]; then
    cut=$(vipsheader -f width "$out/$name.png")x$(vipsheader -f height "$out/$name.png")
    echo "vell-cutout $input ($size) -> $name.png, $cut with transparency, in ${elapsed}s"
  else
    echo "vell-cutout $input ($size) -> exit status $status, \"$message\", in ${elapsed}s"
  fi
done
echo "cut-outs are in $out"
