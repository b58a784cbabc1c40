#!/bin/bash
# ONNX Runtime, the inference engine of the vision services: Microsoft's own
# Linux x64 build (MIT) as shipped in the npm package
# com.github.asus4.onnxruntime, since Debian 12 has none. Lays out
# $VELL_CACHE/onnxruntime/{include,lib} with the licence texts, where CMake
# looks for it; builds then copy the library beside the programs. The
# package's tarball is hash-checked by npm_fetch. Idempotent.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

target="$VELL_CACHE/onnxruntime"
version=1.29.0
[ -f "$target/.complete-$version" ] && exit 0

package=$(npm_fetch com.github.asus4.onnxruntime 0.4.9 3659f34012db8208ffb7f67d704204cb08792fed)
headers="$package/Plugins/iOS~/onnxruntime.xcframework/ios-arm64_x86_64-simulator/onnxruntime.framework/Headers"
rm -rf "$target.part"
mkdir -p "$target.part/include" "$target.part/lib"
cp "$headers"/*.h "$target.part/include/"
# Named by its soname, the name the programs ask the loader for.
cp "$package/Plugins/Linux/x64/libonnxruntime.so" "$target.part/lib/libonnxruntime.so.1"
ln -s libonnxruntime.so.1 "$target.part/lib/libonnxruntime.so"
cp "$package/LICENSE" "$target.part/LICENSE"
cp "$package/ThirdPartyNotices.txt" "$target.part/ThirdPartyNotices.txt"
touch "$target.part/.complete-$version"
rm -rf "$target"
mv "$target.part" "$target"
