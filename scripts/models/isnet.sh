#!/bin/bash
# ISNet (DIS, MIT licence) foreground segmentation for the foreground instance
# mask: joins the fp16 chunks shipped in @imgly/background-removal-data,
# converts them to one fp32 network of fixed sizes and installs isnet-512.onnx
# (the network traced at 1024 x 1024, run at 512 x 512: about four times
# faster, and fine for a mask that is upsampled anyway) into
# $VELL_CACHE/models with its notices.
# Idempotent: nothing is redone while the outputs match their hashes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"

models="$VELL_CACHE/models"
name=isnet-512.onnx
sum=6e8f3079378f4d8bd277f896aed44db46661ec6adc3ec81a1471f0f2ab97acc0

if ! echo "$sum  $models/$name" | sha256sum -c --status 2>/dev/null; then
  package=$(npm_fetch @imgly/background-removal-data 1.4.5 7ae6b2efda2b51bea8aa01dda727093b6a6e8a0e)
  work="$VELL_CACHE/downloads/isnet"
  rm -rf "$work"
  mkdir -p "$work"
  /usr/bin/python3 "$here/isnet_convert.py" "$package/dist" "$package/dist/resources.json" "$work" 512
  if ! echo "$sum  $work/$name" | sha256sum -c --status; then
    echo "setup: the converted ISNet model does not match its hash" >&2
    exit 1
  fi
  mv "$work/$name" "$models/$name"
  cp "$package/LICENSE.md" "$models/isnet-package.LICENSE"
  rm -rf "$work"
fi
cat > "$models/isnet.NOTICE" <<'NOTICE'
isnet-512.onnx: the ISNet network of "Highly Accurate Dichotomous Image
Segmentation" (DIS, https://github.com/xuebinqin/DIS), MIT licence, as
shipped in the npm package @imgly/background-removal-data 1.4.5 (AGPL-3.0,
see isnet-package.LICENSE), converted from fp16 to fp32 and set to a 512 x 512
input.
NOTICE
