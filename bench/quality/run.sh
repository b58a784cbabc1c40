#!/bin/bash
# Faces, people, animals, words and labels of vell-place on the labelled
# quality set (truth.json), beside OpenCV's Haar cascade and Tesseract's
# full-page pass, for the tuning photos, the held-out ones and all; writes
# the page to look at, OUT/index.html (build/quality by default).
#   bench/quality/run.sh [BIN_DIR]    (OUT=folder for the page and results)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-${VELL_BIN:-$root/build/bin}}
out=${OUT:-$root/build/quality}
here="$root/bench/quality"
source "$root/scripts/lib.sh"
photos="$VELL_CACHE/samples/quality"
[ -x "$bin/vell-bench-quality" ] || { echo "no $bin/vell-bench-quality; build first" >&2; exit 1; }
[ -d "$photos" ] || { echo "no photos in $photos; run scripts/samples.sh" >&2; exit 1; }
mkdir -p "$out/photos"

list="$out/list.txt"
/usr/bin/python3 -c '
import json, sys
for p in json.load(open(sys.argv[1]))["photos"]:
    print("%s\t%s/%s" % (p["key"], sys.argv[2], p["file"]))
' "$here/truth.json" "$photos" > "$list"

# The page shows 640-pixel copies, upright.
while IFS=$'\t' read -r key path; do
  [ -s "$out/photos/$key.jpg" ] || vips thumbnail "$path" "$out/photos/$key.jpg[Q=85]" 640
done < "$list"

echo "vell-place on $(wc -l < "$list") labelled photos, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
"$bin/vell-bench-quality" "$list" > "$out/results.jsonl.part"
mv "$out/results.jsonl.part" "$out/results.jsonl"
/usr/bin/python3 "$here/score.py" "$here/truth.json" "$out/results.jsonl" "$out"
echo "page: $out/index.html"
