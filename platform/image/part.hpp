#pragma once

// Parts of pictures: where a rectangle meets a picture, and the decoding of
// only the part of an encoded picture under a rectangle.

#include <cstdint>
#include <optional>
#include <span>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/image/image.hpp"

namespace vell::platform {

// The part of `rect` inside a picture of `width` x `height` pixels, or
// nothing when no pixel of it is.
std::optional<PixelRect> clipRect(PixelRect rect, int width, int height);

// The size of the picture in `bytes` once upright (`orientationOrUp`), from
// its header alone. Fails when the bytes are no picture or exceed
// `options.maxPixels`.
struct PictureSize {
  int width = 0;
  int height = 0;
};
Result<PictureSize> uprightSize(std::span<const std::uint8_t> bytes,
                                const DecodeOptions& options = {});

// The pixels of scaleLanczos(crop(upright picture, `rect`), `width`,
// `height`), without the whole picture decoded in memory: only the part
// under `rect` is held, and an opaque upright JPEG goes from the decoder
// through the cut and the scaling in one stream. The decoder stops below
// `rect`, so damage further down goes unnoticed. Fails like `decodeMemory`,
// `crop` and `scaleLanczos`.
Result<Bitmap> decodeCropScaled(std::span<const std::uint8_t> bytes, PixelRect rect, int width,
                                int height, const DecodeOptions& options = {});

}  // namespace vell::platform
