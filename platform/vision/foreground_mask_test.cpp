#include "platform/vision/foreground_mask.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vell::platform::vision {
namespace {

struct Square {
  int x, y, side;
  float value;
};

// A grid of `side` x `side` cells at 0.02 (faint haze) with squares of the
// given probabilities painted on it.
ProbabilityGrid gridWith(int side, std::initializer_list<Square> squares) {
  ProbabilityGrid grid{side, side, std::vector<float>(static_cast<size_t>(side) * side, 0.02f)};
  for (const Square& square : squares)
    for (int y = square.y; y < square.y + square.side; ++y)
      for (int x = square.x; x < square.x + square.side; ++x)
        grid.values[static_cast<size_t>(y) * side + x] = square.value;
  return grid;
}

Bitmap opaquePicture(int width, int height) {
  Bitmap picture{width, height, std::vector<std::uint8_t>(static_cast<size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture.pixel(x, y);
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = 77;
      p[3] = 255;
    }
  return picture;
}

float alphaAt(const InstanceMask& mask, int x, int y) {
  return mask.alpha[static_cast<size_t>(y) * mask.width + x];
}
int instanceAt(const InstanceMask& mask, int x, int y) {
  return mask.instance[static_cast<size_t>(y) * mask.width + x];
}

TEST(ForegroundMask, SubjectsAreNumberedByAreaAndSpecksDropped) {
  // 64 x 64 cells over a 256 x 256 picture: 4 pixels a cell.
  auto grid = gridWith(64, {{4, 4, 10, 1.0f}, {40, 30, 20, 0.95f}, {30, 56, 1, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 256, 256);
  ASSERT_EQ(mask.width, 256);
  ASSERT_EQ(mask.alpha.size(), 256u * 256u);
  EXPECT_EQ(mask.allInstances, (std::vector<int>{1, 2}));
  struct Case {
    int x, y, instance;
    float alpha;
  };
  for (const Case& c : std::vector<Case>{
           {200, 160, 1, 1.0f},  // inside the large square (cells 40..59)
           {36, 36, 2, 1.0f},    // inside the small one (cells 4..13)
           {122, 226, 0, 0.0f},  // the one-cell speck
           {128, 8, 0, 0.0f},    // haze far from any subject
           {250, 250, 0, 0.0f},
       }) {
    EXPECT_EQ(instanceAt(mask, c.x, c.y), c.instance) << c.x << "," << c.y;
    EXPECT_NEAR(alphaAt(mask, c.x, c.y), c.alpha, 1e-5) << c.x << "," << c.y;
  }
}

TEST(ForegroundMask, EdgesAreSoftAndWhereTheGridPutsThem) {
  // Square of cells 16..47 on a 64 grid, picture 512 wide (8 px a cell):
  // alpha 0.5 lies at the cell boundaries, x = 128 and x = 384.
  auto grid = gridWith(64, {{16, 16, 32, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 512, 512);
  ASSERT_EQ(mask.allInstances, std::vector<int>{1});
  int y = 256;
  // Alpha rises monotonically across the left edge, from 0 to 1, with
  // values in between (soft), and crosses 0.5 at the cell boundary.
  float previous = 0;
  int softPixels = 0, crossing = -1;
  for (int x = 100; x < 160; ++x) {
    float a = alphaAt(mask, x, y);
    EXPECT_GE(a, previous - 1e-6f) << x;
    if (a > 0 && a < 1)
      ++softPixels;
    if (crossing < 0 && a >= 0.5f)
      crossing = x;
    previous = a;
  }
  EXPECT_GE(softPixels, 4);
  EXPECT_NEAR(crossing, 128, 1);
  // Symmetric on the right edge.
  for (int x = 370; x < 400; ++x)
    if (alphaAt(mask, x, y) < 0.5f) {
      EXPECT_NEAR(x, 384, 1);
      break;
    }
}

TEST(ForegroundMask, NoSubjectBelowHalf) {
  for (float peak : {0.0f, 0.3f, 0.49f}) {
    auto grid = gridWith(32, {{8, 8, 16, peak}});
    InstanceMask mask = instancesFromProbability(grid, 100, 80);
    EXPECT_TRUE(mask.allInstances.empty()) << peak;
    EXPECT_EQ(*std::max_element(mask.alpha.begin(), mask.alpha.end()), 0.0f) << peak;
    EXPECT_EQ(*std::max_element(mask.instance.begin(), mask.instance.end()), 0) << peak;
  }
}

TEST(ForegroundMask, NonSquarePicturesStretchTheGrid) {
  // Cells 8..15 of 32 across and down: x 1/4..1/2 of 400, y 1/4..1/2 of 100.
  auto grid = gridWith(32, {{8, 8, 8, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 400, 100);
  EXPECT_EQ(instanceAt(mask, 150, 37), 1);
  EXPECT_EQ(instanceAt(mask, 150, 70), 0);
  EXPECT_EQ(instanceAt(mask, 300, 37), 0);
}

TEST(MaskedImage, CropsToTheChosenInstances) {
  auto grid = gridWith(64, {{4, 4, 10, 1.0f}, {40, 30, 20, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 256, 256);
  Bitmap picture = opaquePicture(256, 256);
  struct Case {
    std::vector<int> instances;
    int left, top, right, bottom;  // cell edges * 4, the 0.5 level
  };
  for (const Case& c : std::vector<Case>{
           {{1}, 160, 120, 240, 200},
           {{2}, 16, 16, 56, 56},
           {{1, 2}, 16, 16, 240, 200},
       }) {
    auto cut = maskedImage(picture, mask, c.instances, true);
    ASSERT_TRUE(cut) << cut.error().text;
    // The extent holds the soft edge too: a little beyond the 0.5 level.
    EXPECT_GE(cut->width, c.right - c.left);
    EXPECT_LE(cut->width, c.right - c.left + 8);
    EXPECT_GE(cut->height, c.bottom - c.top);
    EXPECT_LE(cut->height, c.bottom - c.top + 8);
    // The crop's position, read back from the colours (red = x, green = y
    // in the picture): the same for every visible pixel, just outside the
    // 0.5 level.
    int left = -1, top = -1, opaque = 0;
    for (int y = 0; y < cut->height; ++y)
      for (int x = 0; x < cut->width; ++x) {
        const std::uint8_t* p = cut->pixel(x, y);
        if (p[3] == 0)
          continue;
        opaque += p[3] == 255;
        if (left < 0) {
          left = p[0] - x;
          top = p[1] - y;
        }
        ASSERT_EQ(p[0] - x, left);
        ASSERT_EQ(p[1] - y, top);
      }
    EXPECT_GE(left, c.left - 4);
    EXPECT_LE(left, c.left);
    EXPECT_GE(top, c.top - 4);
    EXPECT_LE(top, c.top);
    EXPECT_GT(opaque, 0);
    // Every border row and column holds a visible pixel (tight extent).
    auto visibleInRow = [&](int y) {
      for (int x = 0; x < cut->width; ++x)
        if (cut->pixel(x, y)[3] > 0)
          return true;
      return false;
    };
    auto visibleInColumn = [&](int x) {
      for (int y = 0; y < cut->height; ++y)
        if (cut->pixel(x, y)[3] > 0)
          return true;
      return false;
    };
    EXPECT_TRUE(visibleInRow(0));
    EXPECT_TRUE(visibleInRow(cut->height - 1));
    EXPECT_TRUE(visibleInColumn(0));
    EXPECT_TRUE(visibleInColumn(cut->width - 1));
  }
}

TEST(MaskedImage, EverythingOutsideIsClearAndUncroppedKeepsTheSize) {
  auto grid = gridWith(64, {{4, 4, 10, 1.0f}, {40, 30, 20, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 256, 256);
  Bitmap picture = opaquePicture(256, 256);
  auto cut = maskedImage(picture, mask, {2}, false);
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->width, 256);
  ASSERT_EQ(cut->height, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const std::uint8_t* p = cut->pixel(x, y);
      size_t i = static_cast<size_t>(y) * 256 + x;
      if (mask.instance[i] != 2) {
        ASSERT_EQ(p[0] | p[1] | p[2] | p[3], 0) << x << "," << y;
      } else {
        ASSERT_EQ(p[3], std::lround(mask.alpha[i] * 255)) << x << "," << y;
      }
    }
}

TEST(MaskedImage, KeepsThePicturesOwnTransparency) {
  auto grid = gridWith(64, {{16, 16, 32, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 256, 256);
  Bitmap picture = opaquePicture(256, 256);
  // The left half of the subject is transparent in the picture itself.
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 128; ++x)
      picture.pixel(x, y)[3] = 0;
  auto cut = maskedImage(picture, mask, {1}, true);
  ASSERT_TRUE(cut);
  EXPECT_NEAR(cut->width, 64, 3);  // x 128..192 and a little soft edge
  EXPECT_NEAR(cut->height, 128, 6);
}

TEST(MaskedImage, RefusesWhatDoesNotFit) {
  auto grid = gridWith(64, {{16, 16, 32, 1.0f}});
  InstanceMask mask = instancesFromProbability(grid, 256, 256);
  EXPECT_FALSE(maskedImage(opaquePicture(256, 255), mask, {1}, true));
  EXPECT_FALSE(maskedImage(opaquePicture(256, 256), mask, {2}, true));
  EXPECT_FALSE(maskedImage(opaquePicture(256, 256), mask, {0}, true));
  EXPECT_FALSE(maskedImage(opaquePicture(256, 256), mask, {-1}, true));
  EXPECT_FALSE(maskedImage(opaquePicture(256, 256), mask, {}, true));
  EXPECT_FALSE(maskedImage(Bitmap{}, InstanceMask{}, {}, true));
}

TEST(Foreground, EmptyPictureIsAnError) {
  EXPECT_FALSE(foregroundInstances(Bitmap{}));
  EXPECT_FALSE(foregroundInstances(Bitmap{10, 10, {}}));
}

}  // namespace
}  // namespace vell::platform::vision
