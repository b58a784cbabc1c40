#pragma once

#include <filesystem>

#include "common/result.hpp"
#include "platform/video/writer.hpp"

namespace vell::encode {

// Decodes the picture in `file` (upright, sRGB) and draws it into `buffer`:
// over opaque black, so transparency never shows what the buffer held
// before, and stretched to fill the buffer exactly, each axis on its own.
// Fails when the picture cannot be read or drawn; the buffer's content is
// then undefined.
Status drawPicture(const std::filesystem::path& file, platform::PixelBuffer& buffer);

}  // namespace vell::encode
