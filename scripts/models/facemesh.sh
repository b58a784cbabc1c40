#!/bin/bash
# FaceMesh (@vladmandic/human, MIT package, Apache-2.0 weights): its
# face-presence output is the second opinion on faces the detector is unsure
# of. The TF.js graph model converted to ONNX by tfjs_to_onnx.py, which
# checks the result against a numpy evaluation of the original graph; only
# the presence output is kept.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"

models=$VELL_CACHE/models
package=$(npm_fetch @vladmandic/human 3.3.6 74397dcda15109f52db36de098de823b8497ddc5)
echo "b60ca26f404724f43bd2b1575761d8265180e1f053cc0731caa68462927309e7  $package/models/facemesh.json
3826da640b0a3021161605369ee6af293f75d518040355b960ec71a3390c1c0b  $package/models/facemesh.bin" |
  sha256sum -c --status || { echo "setup: facemesh.json/bin do not match their hashes" >&2; exit 1; }

scripts=("$here/tfjs_to_onnx.py" "$here/tfjs_graph.py" "$here/tfjs_reference.py" "$here/onnx_run.cpp")
stamp=$(cat "$package/models/facemesh.json" "$package/models/facemesh.bin" "$0" "${scripts[@]}" |
  sha256sum | cut -d' ' -f1)
if [ ! -s "$models/facemesh.onnx" ] ||
  [ "$(cat "$VELL_CACHE/downloads/facemesh.onnx.stamp" 2>/dev/null)" != "$stamp" ]; then
  runner=$(onnx_runner)
  # The model takes the picture in 0..1.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  check_picture 192 "$work/check.rgb"
  /usr/bin/python3 "$here/tfjs_to_onnx.py" "$package/models/facemesh.json" "$models/facemesh.onnx" \
    --outputs Identity_1 --check "$work/check.rgb" --runner "$runner" \
    --input-scale 0.00392156862745098
  echo "$stamp" > "$VELL_CACHE/downloads/facemesh.onnx.stamp"
fi
cp "$package/LICENSE" "$models/facemesh.LICENSE"
