#!/bin/bash
# Every vision request on sample photos shrunk to at most 1024 pixels, each
# network on ONNX Runtime beside OpenCV's dnn, then the decode of a
# 12-megapixel JPEG beside the libvips tools.
#
#   bench/vision/run.sh [RUNS]   (VELL_BUILD: the build tree, default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VELL_BUILD:-$root/build}
source "$root/scripts/lib.sh"
cmake --build "$build" --target vell-bench-vision vell-bench-engines image_bench >/dev/null
for picture in pictures/pool.jpg pictures/scenetext01.jpg derived/bee-12mp.jpg; do
  "$build/bin/vell-bench-vision" "$VELL_CACHE/samples/$picture" "${1:-5}"
done
echo
"$build/bin/vell-bench-engines" "$VELL_CACHE/samples/pictures/pool.jpg" "$VELL_CACHE/models" "${1:-5}"
echo
"$root/bench/image/run.sh" "$build"
