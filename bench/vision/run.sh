#!/bin/bash
# Every vision request on 1024-pixel versions of sample photos, then the
# decode of a 12-megapixel JPEG beside the libvips tools.
#
#   bench/vision/run.sh [RUNS]   (VELL_BUILD: the build tree, default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VELL_BUILD:-$root/build}
source "$root/scripts/lib.sh"
cmake --build "$build" --target vell-bench-vision image_bench >/dev/null
for picture in pool.jpg jesper.jpg scenetext01.jpg; do
  "$build/bin/vell-bench-vision" "$VELL_CACHE/samples/pictures/$picture" "${1:-5}"
done
echo
"$root/bench/image/run.sh" "$build"
