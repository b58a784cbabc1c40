#include "encode/picture.hpp"

#include <cstring>

#include "platform/image/image.hpp"

namespace vell::encode {

namespace {

void copyInto(const platform::Bitmap& picture, platform::PixelBuffer& buffer) {
  std::uint8_t* base = buffer.mutableBaseAddress();
  const bool bgra = buffer.format() == platform::PixelFormat::bgra;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* from = picture.pixel(0, y);
    std::uint8_t* to = base + static_cast<std::size_t>(y) * buffer.bytesPerRow();
    if (!bgra) {
      std::memcpy(to, from, static_cast<std::size_t>(picture.width) * 4);
      continue;
    }
    for (int x = 0; x < picture.width; ++x, from += 4, to += 4) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = from[3];
    }
  }
}

bool isOpaque(const platform::Bitmap& picture) {
  for (size_t i = 3; i < picture.rgba.size(); i += 4)
    if (picture.rgba[i] != 255)
      return false;
  return true;
}

}  // namespace

Status drawPicture(const std::filesystem::path& file, platform::PixelBuffer& buffer) {
  const std::string& name = file.native();
  // A name with a NUL in it would silently open a shorter one.
  if (name.find('\0') != std::string::npos)
    return Error{"a picture name holds a NUL character"};
  auto decoded = platform::decodeUpright(name);
  if (!decoded)
    return decoded.error();
  // Flattened before scaling, so that transparent pixels' colours never bleed
  // into their neighbours; most photos need no flattening, and no copy.
  auto stretched = isOpaque(*decoded) ? platform::stretch(*decoded, buffer.width(), buffer.height())
                                      : platform::stretch(platform::flattenOverBlack(*decoded),
                                                          buffer.width(), buffer.height());
  if (!stretched)
    return stretched.error();
  copyInto(*stretched, buffer);
  return ok();
}

}  // namespace vell::encode
