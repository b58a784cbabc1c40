#!/bin/bash
# Where vell-cover crops photos with a subject marked by hand (beside
# libvips' attention crop and a centre crop), how cleanly vell-cutout cuts
# real subjects laid over real photos, and the times of a 12-megapixel
# cut-out and a 20-megapixel cover. Writes build/subjects/index.html.
#
#   bench/subjects/run.sh [RUNS [PARTS]]   (PARTS: any of crops,cutouts,cover;
#                                           VELL_BIN: the programs, default build/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${VELL_BIN:-$root/build/bin}
source "$root/scripts/lib.sh"
samples="$VELL_CACHE/samples/subjects"
[ -d "$samples/photos" ] || { echo "bench: $samples missing; run scripts/samples.sh" >&2; exit 1; }
exec "$bin/vell-bench-subjects" "$root/bench/subjects/photos.json" "$samples" \
  "$(dirname "$bin")/subjects" "${1:-3}" "${2:-crops,cutouts,cover}"
