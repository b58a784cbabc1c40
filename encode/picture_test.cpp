#include "encode/picture.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "common/test_folder.hpp"
#include "platform/image/image.hpp"

namespace vell::encode {
namespace {

using platform::Bitmap;
using platform::Colour;
using platform::PixelBuffer;
using platform::PixelFormat;

Bitmap filled(int width, int height, std::array<std::uint8_t, 4> rgba) {
  Bitmap bitmap{width, height, {}};
  for (int i = 0; i < width * height; ++i)
    bitmap.rgba.insert(bitmap.rgba.end(), rgba.begin(), rgba.end());
  return bitmap;
}

std::filesystem::path savePng(const std::filesystem::path& path, const Bitmap& bitmap) {
  auto png = platform::encodePng(bitmap);
  if (!png)
    throw std::runtime_error(png.error().text);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  return path;
}

// The buffer's pixel at (x, y) as red, green, blue, alpha.
std::array<int, 4> rgbaAt(const PixelBuffer& buffer, int x, int y) {
  const std::uint8_t* p =
      buffer.baseAddress() + static_cast<std::size_t>(y) * buffer.bytesPerRow() + x * 4;
  if (buffer.format() == PixelFormat::bgra)
    return {p[2], p[1], p[0], p[3]};
  return {p[0], p[1], p[2], p[3]};
}

void expectNear(std::array<int, 4> actual, std::array<int, 4> expected, const std::string& where) {
  for (int c = 0; c < 4; ++c)
    EXPECT_NEAR(actual[c], expected[c], 3) << where << " component " << c;
}

class DrawPicture : public ::testing::Test {
 protected:
  TestFolder folder;
};

TEST_F(DrawPicture, StretchesToFillEachAxisOnItsOwn) {
  // Landscape 160 x 90 with a coloured band along every edge, into a
  // portrait frame: stretched, every band must reach its edge of the frame
  // (letterboxing would put black there, cropping would lose bands).
  Bitmap picture = filled(160, 90, {128, 128, 128, 255});
  platform::fillRect(picture, {0, 0, 16, 90}, Colour{1, 0, 0, 1});
  platform::fillRect(picture, {144, 0, 16, 90}, Colour{0, 0, 1, 1});
  platform::fillRect(picture, {16, 0, 128, 9}, Colour{0, 1, 0, 1});
  platform::fillRect(picture, {16, 81, 128, 9}, Colour{1, 1, 0, 1});
  auto file = savePng(folder.path() / "bands.png", picture);

  for (PixelFormat format : {PixelFormat::bgra, PixelFormat::rgba}) {
    PixelBuffer buffer(format, 90, 160);
    ASSERT_TRUE(drawPicture(file, buffer));
    expectNear(rgbaAt(buffer, 2, 80), {255, 0, 0, 255}, "left");
    expectNear(rgbaAt(buffer, 87, 80), {0, 0, 255, 255}, "right");
    expectNear(rgbaAt(buffer, 45, 2), {0, 255, 0, 255}, "top");
    expectNear(rgbaAt(buffer, 45, 157), {255, 255, 0, 255}, "bottom");
    expectNear(rgbaAt(buffer, 45, 80), {128, 128, 128, 255}, "middle");
  }
}

TEST_F(DrawPicture, TransparencyIsDrawnOverOpaqueBlack) {
  // Left half fully transparent white, right half half-transparent white.
  Bitmap picture = filled(40, 20, {255, 255, 255, 0});
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x)
      picture.pixel(x, y)[3] = 128;
  auto file = savePng(folder.path() / "clear.png", picture);

  // The buffer held a red picture before, as a recycled one would.
  PixelBuffer buffer(PixelFormat::bgra, 40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      std::memcpy(buffer.mutableBaseAddress() + y * buffer.bytesPerRow() + x * 4,
                  "\x00\x00\xff\xff", 4);
  ASSERT_TRUE(drawPicture(file, buffer));
  expectNear(rgbaAt(buffer, 5, 10), {0, 0, 0, 255}, "transparent");
  expectNear(rgbaAt(buffer, 35, 10), {128, 128, 128, 255}, "half transparent");
}

TEST_F(DrawPicture, EveryDrawChangesTheBuffersGeneration) {
  auto file = savePng(folder.path() / "grey.png", filled(8, 8, {50, 60, 70, 255}));
  PixelBuffer buffer(PixelFormat::bgra, 8, 8);
  const auto before = buffer.generation();
  ASSERT_TRUE(drawPicture(file, buffer));
  EXPECT_NE(buffer.generation(), before);
  expectNear(rgbaAt(buffer, 4, 4), {50, 60, 70, 255}, "grey");
}

TEST_F(DrawPicture, FailsForWhatIsNoPicture) {
  std::ofstream(folder.path() / "text.png") << "not a picture";
  std::filesystem::create_directory(folder.path() / "folder.png");
  savePng(folder.path() / "real.png", filled(4, 4, {0, 0, 0, 255}));
  const std::filesystem::path files[] = {
      folder.path() / "missing.png",
      folder.path() / "text.png",
      folder.path() / "folder.png",
      folder.path() / std::string("real.png\0.txt", 13),
  };
  for (const auto& file : files) {
    PixelBuffer buffer(PixelFormat::bgra, 4, 4);
    EXPECT_FALSE(drawPicture(file, buffer)) << file;
  }
}

}  // namespace
}  // namespace vell::encode
