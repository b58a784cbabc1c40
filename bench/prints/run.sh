#!/bin/bash
# Near-duplicates: is the nearest feature print of an edited copy of a
# labelled photo its own original? Beside ImageMagick's perceptual hash on
# the same pixels, for the tuning photos, the held-out ones and all.
#   bench/prints/run.sh [BIN_DIR]    (OUT=folder for the copies and prints)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-${VELL_BIN:-$root/build/bin}}
out=${OUT:-$root/build/prints}
source "$root/scripts/lib.sh"
photos="$VELL_CACHE/samples/quality"
[ -x "$bin/vell-bench-prints" ] || { echo "no $bin/vell-bench-prints; build first" >&2; exit 1; }
[ -d "$photos" ] || { echo "no photos in $photos; run scripts/samples.sh" >&2; exit 1; }
mkdir -p "$out"
/usr/bin/python3 -c '
import json, sys
for p in json.load(open(sys.argv[1]))["photos"]:
    print("%s\t%s/%s" % (p["key"], sys.argv[2], p["file"]))
' "$root/bench/quality/truth.json" "$photos" > "$out/list.txt"
"$bin/vell-bench-prints" "$out/list.txt" "$out/copies" > "$out/prints.jsonl.part"
mv "$out/prints.jsonl.part" "$out/prints.jsonl"
/usr/bin/python3 "$root/bench/prints/score.py" "$root/bench/quality/truth.json" "$out/prints.jsonl"
