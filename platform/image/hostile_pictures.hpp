#pragma once

// Pictures that have stopped image programs before, written into a test's
// folder: JPEGs thinner than the decoder's shrink factors, a JPEG whose
// header promises far more pixels than its data holds, and drawings that
// take minutes to render or declare absurd sizes. For the tests of every
// program that reads pictures.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image/image.hpp"

namespace vell::platform::testing {

struct HostilePicture {
  std::string name;
  std::filesystem::path path;
  // Whether no program may read it as a picture; the others may be read or
  // not, but never end the program.
  bool unreadable = false;
};

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A JPEG of `width` x `height` with a little texture, so it is not all one
// block.
inline std::vector<std::uint8_t> texturedJpeg(int width, int height) {
  Bitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 255)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.pixel(x, y);
      p[0] = static_cast<std::uint8_t>((x * 37 + y * 11) % 200);
      p[1] = static_cast<std::uint8_t>((x * 5 + y * 23) % 180);
      p[2] = 90;
    }
  return *encodeJpeg(bitmap, 0.9);
}

// A JPEG whose frame header is rewritten to `width` x `height`; its data
// still holds the 16 x 16 pixels it was made with.
inline std::vector<std::uint8_t> lyingJpeg(int width, int height) {
  std::vector<std::uint8_t> bytes = texturedJpeg(16, 16);
  for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
      bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
      bytes[i + 6] = static_cast<std::uint8_t>(height & 255);
      bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
      bytes[i + 8] = static_cast<std::uint8_t>(width & 255);
      break;
    }
  return bytes;
}

inline std::vector<HostilePicture> hostilePictures(const std::filesystem::path& folder) {
  std::vector<HostilePicture> pictures;
  const int thin[][2] = {{1, 1100}, {3, 9000}, {3, 4000}, {1, 65000}, {65000, 1}, {2100, 2}};
  for (const auto& size : thin) {
    const std::string name = "thin-" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
    pictures.push_back({name, folder / (name + ".jpg"), false});
    writeBytes(pictures.back().path, texturedJpeg(size[0], size[1]));
  }
  pictures.push_back({"lying", folder / "lying.jpg", true});
  writeBytes(pictures.back().path, lyingJpeg(10000, 9999));

  std::string rectangles;
  for (int i = 0; i < 40; ++i)
    rectangles += "<rect x='" + std::to_string(i * 90) + "' y='" + std::to_string(i * 90) +
                  "' width='400' height='400' fill='#a0c' filter='url(#b)'/>";
  pictures.push_back({"blurred-drawing", folder / "drawing.svg", true});
  std::ofstream(pictures.back().path)
      << "<svg xmlns='http://www.w3.org/2000/svg' width='4000' height='4000'><defs><filter "
         "id='b'><feGaussianBlur stdDeviation='100000'/></filter></defs>"
      << rectangles << "</svg>";
  pictures.push_back({"vast-drawing", folder / "vast.svg", true});
  std::ofstream(pictures.back().path)
      << "<svg xmlns='http://www.w3.org/2000/svg' width='100000000' height='100000000'>"
         "<rect width='10' height='10' fill='red'/></svg>";
  return pictures;
}

}  // namespace vell::platform::testing
