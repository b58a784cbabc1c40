#!/bin/bash
# Analyses the sample photos with vell-place and prints each line readably.
# VELL_BIN: the programs' folder; VELL_DEMO_OUT: where the list and lines go.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${VELL_BIN:-$root/build/bin}
out=${VELL_DEMO_OUT:-$root/build/demo}
samples=${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}/samples
mkdir -p "$out"
list="$out/place-list.txt"
: > "$list"
for photo in "$samples"/pictures/*.jpg "$samples"/pictures/*.png "$samples"/derived/bee-orientation-6.jpg \
  "$samples"/derived/bee-truncated.jpg; do
  [ -e "$photo" ] && printf '%s\t%s\n' "$(basename "$photo")" "$photo" >> "$list"
done
printf 'missing\t%s\n' "$samples/no-such-picture.jpg" >> "$list"
echo "vell-place --width 2 $list ($(wc -l < "$list") pictures)"
show=$(cat <<'PY'
import json, sys
for line in sys.stdin:
    r = json.loads(line)
    if "error" in r:
        print(f"{r['k']:28} error: {r['error']}")
        continue
    labels = ", ".join(f"{name} {conf}" for name, conf in r["l"][:4])
    print(f"{r['k']:28} {r['w']}x{r['h']}  faces {r['f']}  people {r['hb']}  animals {r['an']}"
          f"  sharpness {r['sh']}  aesthetics {r.get('a')} utility {r.get('u')}  text {r['tc']}")
    print(f"{'':28} labels: {labels}")
    if "sal" in r:
        print(f"{'':28} salient region (x, y, w, h from the top left): {r['sal']}")
    for text, conf, height in r.get("tx", [])[:5]:
        print(f"{'':28} text: \"{text}\" (confidence {conf}, height {height})")
PY
)
"$bin/vell-place" --width 2 "$list" | tee "$out/place-lines.jsonl" | /usr/bin/python3 -c "$show"
echo "the raw lines are in $out/place-lines.jsonl"
