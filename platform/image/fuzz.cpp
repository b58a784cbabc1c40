// Fuzz target: any bytes handed to the decoder give a picture or an Error,
// never a crash, and a picture is always whole.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/image/image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vell::platform;
  // A small ceiling keeps each run quick; mutated headers often claim
  // huge sizes, and those must be refused, not decoded.
  const DecodeOptions options{.maxPixels = 1 << 20};
  vell::Result<DecodedImage> decoded = decodeMemory(std::span(data, size), options);
  if (!decoded)
    return 0;
  const Bitmap& bitmap = decoded->bitmap;
  if (bitmap.empty() ||
      static_cast<std::int64_t>(bitmap.width) * bitmap.height > options.maxPixels ||
      bitmap.rgba.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 4)
    std::abort();
  const Bitmap upright = orient(bitmap, orientationOrUp(decoded->orientation));
  if (upright.rgba.size() != bitmap.rgba.size())
    std::abort();
  return 0;
}
