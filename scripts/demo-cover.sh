#!/bin/bash
# vell-cover on sample photos: a cover and its debug overlay for each, with
# the report it printed. VELL_BIN: the programs; VELL_DEMO_OUT: where to write.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
bin=${VELL_BIN:-$root/build/bin}
out=${VELL_DEMO_OUT:-$root/build/demo}/cover
mkdir -p "$out"
pictures="$VELL_CACHE/samples/pictures"

# photo and options: the default size, then a smaller cover that lets the
# crop zoom in on the bee.
while read -r photo options; do
  input="$pictures/$photo"
  if [ ! -f "$input" ]; then
    echo "cover: $input missing; run scripts/samples.sh"
    continue
  fi
  name=${photo%.*}
  echo "vell-cover $photo $options -> $out/$name-cover.jpg (debug overlay $name-debug.png)"
  started=$(date +%s.%N)
  status=0
  # shellcheck disable=SC2086
  report=$("$bin/vell-cover" "$input" "$out/$name-cover.jpg" --debug "$out/$name-debug.png" $options) ||
    status=$?
  elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')
  echo "  exit status $status after ${elapsed}s"
  echo "  report: $report"
  echo "$report" | python3 -c '
import json, sys
r = json.load(sys.stdin)
print("  photo %dx%d, subject from %s at %s, crop %s (zoom %s, upscale %s, %d%% of the heat)"
      % (r["size"][0], r["size"][1], r["from"], r["subject"], r["crop"], r["zoom"], r["up"],
         round(r["fit"] * 100)))
print("  %d object regions; cover %dx%d, %d bytes at quality %s%s"
      % (len(r["objects"]), r["out"][0], r["out"][1], r["bytes"], r["quality"],
         "; aesthetics %s%s" % (r["aes"], ", utility" if r["utility"] else "") if "aes" in r else ""))
'
done <<LIST
qt-logo.jpg
donna.jpg
european-honey-bee.jpg --size 1200x750
LIST
echo "  (debug overlays: red heat, blue object regions, green subject, white crop)"
