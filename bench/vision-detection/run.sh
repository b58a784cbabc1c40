#!/bin/bash
# Face and object detection per request on 1024-pixel versions of sample
# photos, beside OpenCV's Haar cascade and HOG people detectors.
#
#   bench/vision-detection/run.sh [RUNS]   (VELL_BIN: the programs, default build/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${VELL_BIN:-$root/build/bin}
source "$root/scripts/lib.sh"
for picture in pool.jpg european-honey-bee.jpg qt-logo.jpg; do
  "$bin/vell-bench-vision-detection" "$VELL_CACHE/samples/pictures/$picture" "${1:-5}"
done
