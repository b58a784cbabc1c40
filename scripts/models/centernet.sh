#!/bin/bash
# CenterNet-MobileNetV3 COCO detector: the TF.js graph model of
# @vladmandic/human (MIT) converted to ONNX by tfjs_to_onnx.py, which checks
# the result on a sample photo against a numpy evaluation of the original
# graph; and the 80 COCO class names in the detector's output order (from
# opencv-doc). The frozen GraphDef made by tfjs_to_graphdef.py is only for
# the vision benchmark, which runs the same network on OpenCV's dnn beside
# ONNX Runtime.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"

models=$VELL_CACHE/models
outputs=tower_0/Sigmoid,tower_0/mul,tower_0/extern1/hard_swish/mul_1
package=$(npm_fetch @vladmandic/human 3.3.6 74397dcda15109f52db36de098de823b8497ddc5)
echo "bfb942eaacc5becf738d536663bc4580a0ae9e560722306e6d4dd7fe4a09de05  $package/models/centernet.json
1b635a15009071f506f9f2b3519b31c072c534888989f30d269ffd44734ef7ef  $package/models/centernet.bin" |
  sha256sum -c --status || { echo "setup: centernet.json/bin do not match their hashes" >&2; exit 1; }

# converted NAME SCRIPTS...: whether NAME is there and was made from this
# model by these very scripts (else it is made again).
stamp_of() {
  cat "$package/models/centernet.json" "$package/models/centernet.bin" "$@" | sha256sum | cut -d' ' -f1
}
converted() {
  local name=$1
  shift
  [ -s "$models/$name" ] &&
    [ "$(cat "$VELL_CACHE/downloads/$name.stamp" 2>/dev/null)" = "$(stamp_of "$@")" ]
}

onnx_scripts=("$here/tfjs_to_onnx.py" "$here/tfjs_graph.py" "$here/tfjs_reference.py" "$here/onnx_run.cpp")
if ! converted centernet.onnx "${onnx_scripts[@]}"; then
  runner=$(onnx_runner)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  check_picture 512 "$work/check.rgb"
  /usr/bin/python3 "$here/tfjs_to_onnx.py" "$package/models/centernet.json" "$models/centernet.onnx" \
    --outputs "$outputs" --channels-first --check "$work/check.rgb" --runner "$runner"
  stamp_of "${onnx_scripts[@]}" > "$VELL_CACHE/downloads/centernet.onnx.stamp"
fi

graphdef_scripts=("$here/tfjs_to_graphdef.py" "$here/tfjs_graph.py" "$here/tf_graph.proto")
if ! converted centernet.pb "${graphdef_scripts[@]}"; then
  /usr/bin/python3 "$here/tfjs_to_graphdef.py" "$package/models/centernet.json" "$models/centernet.pb" \
    --outputs "$outputs"
  stamp_of "${graphdef_scripts[@]}" > "$VELL_CACHE/downloads/centernet.pb.stamp"
fi
cp "$package/LICENSE" "$models/centernet.LICENSE"

deb_extract opencv-doc usr/share/doc/opencv-doc/examples/data/dnn/object_detection_classes_yolov3.txt \
  "$models/centernet.classes.txt" bd17f1ee35d5f3c862a4894605855abbb9dda4b0621fdb0ac4c2c8c7bb7e730a
