#!/bin/bash
# BRISQUE model and feature ranges of OpenCV's quality module, as Debian's
# opencv-data ships them (taken from the package when it is not installed).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
for name in brisque_model_live.yml brisque_range_live.yml; do
  out="$VELL_CACHE/models/$name"
  [ -s "$out" ] && continue
  if [ -s "/usr/share/opencv4/quality/$name" ]; then
    cp "/usr/share/opencv4/quality/$name" "$out.part"
    mv "$out.part" "$out"
  else
    deb_extract opencv-data "usr/share/opencv4/quality/$name" "$out"
  fi
done
