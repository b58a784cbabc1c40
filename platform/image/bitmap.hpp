#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vell::platform {

// A decoded picture: 8-bit sRGB RGBA, straight (not premultiplied) alpha,
// rows top to bottom, `width * 4` bytes a row, no padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint8_t* pixel(int x, int y) {
    return rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
  }
  const std::uint8_t* pixel(int x, int y) const {
    return rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
  }
};

}  // namespace vell::platform
