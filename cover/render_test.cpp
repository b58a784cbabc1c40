#include "cover/render.hpp"

#include <gtest/gtest.h>

namespace vell::cover {
namespace {

platform::Bitmap grey(int width, int height, std::uint8_t value) {
  return {width, height, std::vector<std::uint8_t>(size_t(width) * height * 4, value)};
}

TEST(CropRectangle, RoundsHalvesAwayFromZeroWithoutClamping) {
  struct Case {
    double cx0, cy0, cw, ch;
    platform::PixelRect rect;
  } cases[] = {
      {12.5, 0.49, 444.5, 277.4, {13, 0, 445, 277}},
      {77.7778, 61.1111, 444.4444, 277.7778, {78, 61, 444, 278}},
      {599.5, 0, 0.5, 0.5, {600, 0, 1, 1}},
  };
  for (const auto& c : cases) {
    Geometry g;
    g.cx0 = c.cx0;
    g.cy0 = c.cy0;
    g.cw = c.cw;
    g.ch = c.ch;
    platform::PixelRect rect = cropRectangle(g);
    EXPECT_EQ(rect.x, c.rect.x);
    EXPECT_EQ(rect.y, c.rect.y);
    EXPECT_EQ(rect.width, c.rect.width);
    EXPECT_EQ(rect.height, c.rect.height);
  }
}

TEST(CutCrop, KeepsOnlyWhatLiesInsideTheImage) {
  platform::Bitmap working = grey(600, 400, 128);
  Geometry g;
  g.cx0 = 100.4;
  g.cy0 = 0;
  g.cw = 500.5;  // rounds to 501: one pixel past the right edge
  g.ch = 400;
  Result<platform::Bitmap> crop = cutCrop(working, g);
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->width, 500);
  EXPECT_EQ(crop->height, 400);
  g.cx0 = 600;  // wholly outside
  EXPECT_FALSE(cutCrop(working, g));
}

TEST(Sharpening, DependsOnEnlargementAndOption) {
  struct Case {
    int cropWidth, cropHeight;
    std::optional<std::string> option;
    bool enlarged;
    double amount, radius;
  } cases[] = {
      {484, 302, std::nullopt, false, 0.3, 1.0},
      {444, 278, std::nullopt, true, 0.5, 1.6},
      {458, 286, std::nullopt, false, 0.3, 1.0},  // 480 / 458 is just below 1.05
      {457, 286, std::nullopt, true, 0.5, 1.6},   // 480 / 457 is just above
      {444, 278, "0", true, 0, 1.6},
      {484, 302, "-1", false, -1, 1.0},
      {444, 278, "2", true, 2, 1.6},
      {444, 278, "abc", true, 0.5, 1.6},
  };
  for (const auto& c : cases) {
    Sharpening s = sharpeningFor(c.cropWidth, c.cropHeight, 480, 300, c.option);
    EXPECT_DOUBLE_EQ(s.sx, 480.0 / c.cropWidth);
    EXPECT_DOUBLE_EQ(s.sy, 300.0 / c.cropHeight);
    EXPECT_EQ(s.enlarged, c.enlarged) << c.cropWidth;
    EXPECT_DOUBLE_EQ(s.amount, c.amount) << c.cropWidth;
    EXPECT_DOUBLE_EQ(s.radius, c.radius) << c.cropWidth;
  }
}

TEST(ScaleAndSharpen, GivesExactlyTheOutputSize) {
  // A crop whose scale factors differ slightly on the two axes.
  platform::Bitmap crop = grey(444, 279, 100);
  for (double amount : {0.0, 0.5}) {
    Sharpening s = sharpeningFor(crop.width, crop.height, 480, 300, std::to_string(amount));
    Result<platform::Bitmap> output = scaleAndSharpen(crop, 480, 300, s);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->width, 480);
    EXPECT_EQ(output->height, 300);
    // Flat grey stays flat grey, with or without sharpening.
    EXPECT_NEAR(output->pixel(0, 0)[0], 100, 1);
    EXPECT_NEAR(output->pixel(479, 299)[0], 100, 1);
  }
}

TEST(ScaleAndSharpen, SharpeningRaisesEdgeContrast) {
  platform::Bitmap crop = grey(200, 100, 60);
  for (int y = 0; y < 100; ++y)
    for (int x = 100; x < 200; ++x)
      std::fill_n(crop.pixel(x, y), 3, 180);
  // The swing of values across the edge: sharpening overshoots both ways.
  auto swingAtEdge = [&](std::optional<std::string> option) {
    Sharpening s = sharpeningFor(200, 100, 400, 200, option);
    Result<platform::Bitmap> output = scaleAndSharpen(crop, 400, 200, s);
    EXPECT_TRUE(output);
    int lo = 255, hi = 0;
    for (int x = 190; x < 210; ++x) {
      lo = std::min<int>(lo, output->pixel(x, 100)[0]);
      hi = std::max<int>(hi, output->pixel(x, 100)[0]);
    }
    return hi - lo;
  };
  const int plain = swingAtEdge("0"), sharpened = swingAtEdge(std::nullopt);
  EXPECT_GT(sharpened, plain + 15);
  EXPECT_GT(swingAtEdge("2"), sharpened + 30);
}

TEST(ScaleAndSharpen, RefusesSizesThatCannotBeHeld) {
  platform::Bitmap crop = grey(64, 40, 100);
  Sharpening s = sharpeningFor(64, 40, 100000, 100000, std::nullopt);
  EXPECT_FALSE(scaleAndSharpen(crop, 100000, 100000, s));
  EXPECT_FALSE(scaleAndSharpen(crop, std::int64_t(1) << 40, 40, s));
}

TEST(DebugPicture, DrawsHeatRegionsSubjectAndCrop) {
  platform::Bitmap working = grey(600, 400, 0);
  for (size_t i = 3; i < working.rgba.size(); i += 4)
    working.rgba[i] = 255;
  Heat heat({0, 1, 0, 0}, 2, 2);  // the top right quarter is hot
  Geometry g;
  g.subject = {0.1, 0.1, 0.2, 0.2};
  g.crop = {0.5, 0.5, 0.4, 0.4};
  std::vector<ObjectRegion> objects = {{{0.05, 0.6, 0.3, 0.3}, 0.2f}};
  platform::Bitmap picture = debugPicture(working, heat, objects, g);
  ASSERT_EQ(picture.width, 600);
  ASSERT_EQ(picture.height, 400);
  auto rgb = [&](int x, int y) {
    const std::uint8_t* p = picture.pixel(x, y);
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  // Heat: red at 55 % over black in the hot quarter, nothing elsewhere.
  EXPECT_NEAR(rgb(450, 100)[0], 140, 3);
  EXPECT_EQ(rgb(150, 300)[0], 0);
  // Subject outline in green (line 3 wide on a 600-wide picture).
  EXPECT_GT(rgb(60, 100)[1], 200);
  EXPECT_LT(rgb(60, 100)[0], 60);
  // Object outline in blue, drawn whatever its confidence.
  EXPECT_GT(rgb(30, 300)[2], 200);
  // Crop outline in white, 5 wide, centred on its left edge at x = 300: the
  // pixels from 298 to 301 whole, 297 and 302 half.
  EXPECT_EQ(rgb(298, 300), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(rgb(301, 300), (std::array<int, 3>{255, 255, 255}));
  EXPECT_NEAR(rgb(302, 300)[1], 128, 2);
  EXPECT_EQ(rgb(304, 300)[1], 0);
}

}  // namespace
}  // namespace vell::cover
