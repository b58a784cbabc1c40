#include "cover/working_image.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "common/atomic_file.hpp"
#include "common/test_folder.hpp"

namespace vell::cover {
namespace {

TEST(BlurGroups, SkipsMalformedGroups) {
  struct Case {
    std::string value;
    size_t groups;
  } cases[] = {
      {"0.1,0.1,0.2,0.2", 1},
      {"0.1,0.1,0.2,0.2;", 1},
      {";;0.1,,0.1,0.2,,0.2;;", 1},
      {"0.1,0.1,0.2;0.1,0.1,0.2,0.2,0.3", 0},
      {"0.1,0.1,0.2,0.2;0,0,1,1", 2},
      {"a,0.1,0.1,0.2,0.2", 1},
      {"", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(blurGroups(c.value).size(), c.groups) << c.value;
  std::vector<BlurGroup> groups = blurGroups(";;0.1,,0.1,0.2,,0.3;;");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].h, 0.3);
}

TEST(PlaceBlur, GrowsRegionsByFourPixelsASide) {
  struct Case {
    Extent extent;
    BlurGroup group;
    Extent rect;
    double sigma;
  } cases[] = {
      {{0, 0, 1000, 800}, {0.1, 0.1, 0.2, 0.2}, {96, 76, 208, 168}, 0.13 * 168},
      {{0, 0, 1000, 800}, {0, 0, 1, 1}, {-4, -4, 1008, 808}, 0.13 * 808},
      // Tiny regions blur with sigma 5 at least.
      {{0, 0, 1000, 800}, {0.5, 0.5, 0, 0}, {496, 396, 8, 8}, 5},
      // Negative sizes are turned around before growing.
      {{0, 0, 1000, 800}, {0.5, 0.5, -0.2, -0.1}, {296, 316, 208, 88}, 0.13 * 88},
      // Placed relative to an extent grown to the left and up.
      {{-104, -4, 1108, 808}, {0, 0, 0.5, 0.5}, {-108, -8, 562, 412}, 0.13 * 412},
      // Fractional edges widen to whole pixels; sigma uses the exact height.
      {{0, 0, 1001, 801}, {0.1, 0.1, 0.1, 0.1}, {96, 76, 109, 89}, 0.13 * (80.1 + 8)},
  };
  for (const auto& c : cases) {
    std::optional<BlurPatch> patch = placeBlur(c.extent, c.group);
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->rect.left, c.rect.left);
    EXPECT_EQ(patch->rect.top, c.rect.top);
    EXPECT_EQ(patch->rect.width, c.rect.width);
    EXPECT_EQ(patch->rect.height, c.rect.height);
    EXPECT_NEAR(patch->sigma, c.sigma, 1e-9);
  }
}

TEST(PlaceBlur, RefusesRegionsThatAreNotPixels) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (BlurGroup group : {BlurGroup{nan, 0, 1, 1}, BlurGroup{0, 0, inf, 1},
                          BlurGroup{0, 0, 1, -inf}, BlurGroup{1e12, 0, 1, 1}})
    EXPECT_FALSE(placeBlur({0, 0, 1000, 800}, group));
}

TEST(Unite, HoldsBoth) {
  Extent both = unite({0, 0, 1000, 800}, {-104, 10, 208, 20});
  EXPECT_EQ(both.left, -104);
  EXPECT_EQ(both.top, 0);
  EXPECT_EQ(both.width, 1104);
  EXPECT_EQ(both.height, 800);
}

// A photo of vertical stripes, written as PNG.
std::string stripes(const TestFolder& folder, int width, int height) {
  platform::Bitmap bitmap{width, height, std::vector<std::uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.pixel(x, y);
      p[0] = p[1] = p[2] = (x / 4) % 2 ? 255 : 0;
      p[3] = 255;
    }
  auto png = platform::encodePng(bitmap);
  EXPECT_TRUE(png);
  std::string path = (folder.path() / "stripes.png").string();
  EXPECT_TRUE(
      writeFileAtomically(path, std::span<const unsigned char>(png->data(), png->size()), 0644));
  return path;
}

double contrast(const platform::Bitmap& bitmap, int top, int bottom, int left, int right) {
  double lo = 255, hi = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      lo = std::min<double>(lo, bitmap.pixel(x, y)[0]);
      hi = std::max<double>(hi, bitmap.pixel(x, y)[0]);
    }
  return hi - lo;
}

TEST(BuildWorkingImage, BlursInsideAndGrowsPastTheEdges) {
  TestFolder folder;
  std::string path = stripes(folder, 200, 100);

  Result<WorkingImage> plain = buildWorkingImage(path, std::nullopt);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->IW, 200);
  EXPECT_EQ(plain->IH, 100);

  Result<WorkingImage> inside = buildWorkingImage(path, "0.25,0.25,0.5,0.5");
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->IW, 200);
  EXPECT_EQ(inside->IH, 100);
  EXPECT_LT(contrast(inside->bitmap, 40, 60, 80, 120), 60);  // blurred
  EXPECT_EQ(contrast(inside->bitmap, 0, 10, 0, 200), 255);   // untouched

  Result<WorkingImage> whole = buildWorkingImage(path, "0,0,1,1");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->IW, 208);
  EXPECT_EQ(whole->IH, 108);
  // Edge-extended, never transparent: the margin repeats the black stripe
  // on the left and the white one on the right, so it darkens and brightens.
  EXPECT_EQ(whole->bitmap.pixel(0, 0)[3], 255);
  EXPECT_LT(whole->bitmap.pixel(0, 54)[0], 80);
  EXPECT_GT(whole->bitmap.pixel(207, 54)[0], 175);
  EXPECT_LT(contrast(whole->bitmap, 0, 108, 50, 158), 10);

  // The first region grows the image to (-24, -4, 224, 108); the second is
  // placed in that grown extent, so it starts 4 pixels left of -24.
  Result<WorkingImage> two = buildWorkingImage(path, "-0.1,0,0.2,1;0,0,0.1,0.1");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->extent.left, -28);
  EXPECT_EQ(two->extent.top, -8);
  EXPECT_EQ(two->IW, 228);
  EXPECT_EQ(two->IH, 112);
}

TEST(BuildWorkingImage, FailsForUnreadableInputAndImpossibleRegions) {
  TestFolder folder;
  std::string path = stripes(folder, 200, 100);
  std::ofstream(folder.path() / "text.jpg") << "not a picture";
  EXPECT_FALSE(buildWorkingImage((folder.path() / "missing.jpg").string(), std::nullopt));
  EXPECT_FALSE(buildWorkingImage((folder.path() / "text.jpg").string(), std::nullopt));
  EXPECT_FALSE(buildWorkingImage(folder.path().string(), std::nullopt));
  EXPECT_FALSE(buildWorkingImage(path, "0,0,inf,1"));
  EXPECT_FALSE(buildWorkingImage(path, "0,0,nan,1"));
  // 200 x 100 grown a thousandfold each way is far past the pixel ceiling.
  EXPECT_FALSE(buildWorkingImage(path, "-500,-500,1000,1000"));
}

}  // namespace
}  // namespace vell::cover
