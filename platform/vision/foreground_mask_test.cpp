#include "platform/vision/foreground_mask.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

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

TEST(ForegroundMask, AGridOverPartOfThePicture) {
  // 32 x 32 cells over x 100..420, y 50..210 of a 640 x 320 picture: a cell
  // is 10 x 5 pixels. A square of cells 8..15 and a bar along the part's
  // left border.
  auto grid = gridWith(32, {{8, 8, 8, 1.0f}});
  for (int y = 20; y < 28; ++y)
    for (int x = 0; x < 4; ++x)
      grid.values[static_cast<size_t>(y) * 32 + x] = 1.0f;
  grid.over = {100, 50, 320, 160};
  InstanceMask mask = instancesFromProbability(grid, 640, 320);
  ASSERT_EQ(mask.allInstances, (std::vector<int>{1, 2}));
  EXPECT_EQ(instanceAt(mask, 220, 110), 1);  // the square: x 180..260, y 90..130
  EXPECT_FLOAT_EQ(alphaAt(mask, 220, 110), 1.0f);
  EXPECT_EQ(instanceAt(mask, 150, 110), 0);
  // The bar reaches the part's border and stops there.
  EXPECT_FLOAT_EQ(alphaAt(mask, 101, 170), 1.0f);
  EXPECT_EQ(alphaAt(mask, 99, 170), 0.0f);
  EXPECT_EQ(instanceAt(mask, 99, 170), 0);

  // A speck is small beside the picture: 2 x 2 cells (0.1 % of the picture)
  // go, 4 x 4 (0.4 %) stay, though both are more than 0.25 % of the grid.
  auto specks = gridWith(32, {{4, 4, 2, 1.0f}, {20, 20, 4, 1.0f}});
  specks.over = {100, 50, 320, 160};
  EXPECT_EQ(instancesFromProbability(specks, 640, 320).allInstances, std::vector<int>{1});
  EXPECT_EQ(instanceAt(instancesFromProbability(specks, 640, 320), 320, 160), 1);

  // A part that does not lie within the picture gives no subject.
  grid.over = {400, 50, 320, 160};
  EXPECT_TRUE(instancesFromProbability(grid, 640, 320).allInstances.empty());
}

TEST(CloserLook, TheBoxHoldsEverySubjectWithAMargin) {
  // 64 x 64 cells over 640 x 320: a cell is 10 x 5 pixels.
  struct Case {
    const char* what;
    ProbabilityGrid grid;
    std::optional<PixelBox> box;
  };
  for (const Case& c : std::vector<Case>{
           // Cells 10..19 and 30..39: x 100..400, y 50..200, grown by a
           // tenth (30 and 15 pixels) on each side; the speck adds nothing.
           {"two subjects and a speck",
            gridWith(64, {{10, 10, 10, 1.0f}, {30, 30, 10, 0.9f}, {60, 60, 1, 1.0f}}),
            PixelBox{70, 35, 360, 180}},
           // Cells 0..19: the margin stops at the picture's corner.
           {"subject in the corner", gridWith(64, {{0, 0, 20, 1.0f}}), PixelBox{0, 0, 220, 110}},
           {"haze and a speck only", gridWith(64, {{5, 5, 2, 1.0f}, {20, 20, 30, 0.45f}}),
            std::nullopt},
           {"subject filling the picture", gridWith(64, {{4, 4, 56, 1.0f}}), std::nullopt},
       }) {
    auto box = subjectsBox(c.grid, 640, 320);
    ASSERT_EQ(box.has_value(), c.box.has_value()) << c.what;
    if (box) {
      EXPECT_EQ(box->left, c.box->left) << c.what;
      EXPECT_EQ(box->top, c.box->top) << c.what;
      EXPECT_EQ(box->width, c.box->width) << c.what;
      EXPECT_EQ(box->height, c.box->height) << c.what;
    }
  }
  EXPECT_FALSE(subjectsBox(ProbabilityGrid{}, 640, 320));
  EXPECT_FALSE(subjectsBox(gridWith(64, {{10, 10, 10, 1.0f}}), 0, 320));
}

TEST(CloserLook, OnlyAnUnsureGlanceCallsForIt) {
  // A crisp subject: its edge cells only.
  EXPECT_LT(unsureShare(gridWith(64, {{10, 10, 20, 0.95f}, {9, 9, 1, 0.5f}})),
            kCloserLookUnsureShare);
  // Fur over a stream: as many doubtful cells around it as sure ones.
  EXPECT_GT(unsureShare(gridWith(64, {{10, 10, 30, 0.4f}, {15, 15, 20, 0.95f}})),
            kCloserLookUnsureShare);
  // Only doubt, and nothing at all: no subject to look closer at.
  EXPECT_EQ(unsureShare(gridWith(64, {{10, 10, 30, 0.4f}})), 0.0);
  EXPECT_EQ(unsureShare(ProbabilityGrid{}), 0.0);
}

TEST(CloserLook, TheMeanLinesTheLooksUp) {
  // The glance rises linearly across the picture (cell x of 64 holds
  // x / 64); the closer look, 48 x 48 cells over x 120..360, y 60..180 of
  // 640 x 320, sees nothing. Each closer cell gets half the glance at its
  // centre: picture x = 120 + (i + 0.5) * 5, which is glance cell
  // x / 10 - 0.5.
  ProbabilityGrid glance{64, 64, std::vector<float>(64u * 64u)};
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      glance.values[static_cast<size_t>(y) * 64 + x] = x / 64.0f;
  ProbabilityGrid closer{48, 48, std::vector<float>(48u * 48u, 0.0f), {120, 60, 240, 120}};
  ProbabilityGrid mean = meanOfLooks(glance, closer, 640, 320);
  ASSERT_EQ(mean.width, 48);
  ASSERT_EQ(mean.values.size(), 48u * 48u);
  EXPECT_EQ(mean.over, closer.over);
  for (int i : {0, 7, 30, 47}) {
    double cell = (120 + (i + 0.5) * 5) / 10 - 0.5;
    EXPECT_NEAR(mean.values[static_cast<size_t>(20) * 48 + i], 0.5 * cell / 64, 1e-4) << i;
  }
  // Where the looks agree the mean is what both say.
  std::fill(glance.values.begin(), glance.values.end(), 1.0f);
  std::fill(closer.values.begin(), closer.values.end(), 1.0f);
  mean = meanOfLooks(glance, closer, 640, 320);
  EXPECT_EQ(*std::min_element(mean.values.begin(), mean.values.end()), 1.0f);
  // A closer look over no part of the picture is left as it is.
  closer.over = {};
  closer.values[5] = 0.25f;
  EXPECT_EQ(meanOfLooks(glance, closer, 640, 320).values, closer.values);
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

// A 512 x 512 picture: a red disc of radius 100 around (200, 240) and a
// second red disc of radius 30 around (430, 80), on green with a little
// texture.
struct Discs {
  Bitmap picture;
  bool inside(int x, int y) const { return std::hypot(x - 200.0, y - 240.0) <= 100; }
};

Discs discs(double edgeWidth) {
  Discs d{Bitmap{512, 512, std::vector<std::uint8_t>(512u * 512u * 4)}};
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      // Share of red: a step at the rim, or a ramp of `edgeWidth` pixels.
      double r = std::hypot(x - 200.0, y - 240.0) - 100;
      double red = edgeWidth > 0 ? std::clamp(0.5 - r / edgeWidth, 0.0, 1.0) : r <= 0;
      red = std::max(red, std::hypot(x - 430.0, y - 80.0) <= 30 ? 1.0 : 0.0);
      int grain = (x * 7 + y * 13) % 9;
      std::uint8_t* p = d.picture.pixel(x, y);
      p[0] = static_cast<std::uint8_t>(std::lround(40 + grain + 170 * red));
      p[1] = static_cast<std::uint8_t>(std::lround(150 + grain - 110 * red));
      p[2] = static_cast<std::uint8_t>(60 + grain);
      p[3] = 255;
    }
  return d;
}

// What the network gives for the first disc, a few pixels off: 128 x 128
// cells of 4 pixels, the probability ramping over 8 pixels around a circle
// of `radius`; the second disc is not seen at all.
InstanceMask coarseMask(double radius) {
  ProbabilityGrid grid{128, 128, std::vector<float>(128u * 128u)};
  for (int cy = 0; cy < 128; ++cy)
    for (int cx = 0; cx < 128; ++cx) {
      double r = std::hypot(cx * 4 + 1.5 - 200.0, cy * 4 + 1.5 - 240.0);
      grid.values[static_cast<size_t>(cy) * 128 + cx] =
          static_cast<float>(std::clamp(0.5 - (r - radius) / 8, 0.0, 1.0));
    }
  return instancesFromProbability(grid, 512, 512);
}

struct Fit {
  double iou;
  double worstMiss;  // farthest a pixel cut wrongly lies from the rim
};

Fit fitToFirstDisc(const Discs& d, const InstanceMask& mask) {
  int both = 0, either = 0;
  double worst = 0;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      bool cut = alphaAt(mask, x, y) >= 0.5f, truth = d.inside(x, y);
      both += cut && truth;
      either += cut || truth;
      if (cut != truth)
        worst = std::max(worst, std::abs(std::hypot(x - 200.0, y - 240.0) - 100));
    }
  return {static_cast<double>(both) / either, worst};
}

TEST(RefineAlongEdges, MovesTheEdgeOntoThePicturesOwn) {
  // The network's edge lies up to 3 pixels inside or outside the rim, the
  // reach of the refit's windows on a picture of this size.
  for (double radius : {97.0, 103.0}) {
    Discs d = discs(0);
    InstanceMask mask = coarseMask(radius);
    ASSERT_EQ(mask.allInstances, std::vector<int>{1});
    Fit coarse = fitToFirstDisc(d, mask);
    auto between = [&] {
      return std::count_if(mask.alpha.begin(), mask.alpha.end(),
                           [](float a) { return a > 0.1f && a < 0.9f; });
    };
    const auto coarseBetween = between();
    refineAlongEdges(d.picture, mask);
    Fit refined = fitToFirstDisc(d, mask);
    EXPECT_GE(coarse.worstMiss, 2.5) << radius;
    // Wrong only right at the rim, so the cut is as good as a pixel grid
    // allows: at most about half a pixel's width lost around the rim.
    EXPECT_LE(refined.worstMiss, 1.0) << radius;
    EXPECT_GT(refined.iou, 0.99) << radius << ", coarse " << coarse.iou;
    // The cut moves without fading: no more pixels in between than the
    // network's own ramp had (a fit over windows alone would widen it).
    EXPECT_LE(between(), coarseBetween * 11 / 10) << radius;
    // The second disc has the subject's colour but nothing of the network's
    // attention: it stays out, and so does the background.
    EXPECT_EQ(instanceAt(mask, 430, 80), 0);
    EXPECT_EQ(alphaAt(mask, 430, 80), 0.0f);
    EXPECT_EQ(alphaAt(mask, 20, 500), 0.0f);
    EXPECT_EQ(instanceAt(mask, 200, 240), 1);
    EXPECT_FLOAT_EQ(alphaAt(mask, 200, 240), 1.0f);
  }
}

TEST(RefineAlongEdges, SoftEdgesStaySoft) {
  // The rim fades over 24 pixels: the alpha still falls across it
  // gradually, over at least as many pixels as the network's ramp.
  Discs d = discs(24);
  InstanceMask mask = coarseMask(100);
  auto softAcross = [&] {
    int soft = 0;
    float previous = 1;
    for (int x = 200; x < 330; ++x) {
      float a = alphaAt(mask, x, 240);
      EXPECT_LE(a, previous + 0.02f) << x;
      soft += a > 0.1f && a < 0.9f;
      previous = a;
    }
    return soft;
  };
  const int coarseSoft = softAcross();
  ASSERT_GE(coarseSoft, 4);
  refineAlongEdges(d.picture, mask);
  EXPECT_GE(softAcross(), coarseSoft);
  EXPECT_GT(fitToFirstDisc(d, mask).iou, 0.97);
}

TEST(RefineAlongEdges, LeavesMasksOfOtherPicturesAlone) {
  // A mask made for a 256 x 256 picture.
  Discs d = discs(0);
  InstanceMask mask = instancesFromProbability(gridWith(32, {{8, 8, 16, 1.0f}}), 256, 256);
  ASSERT_FALSE(mask.allInstances.empty());
  const std::vector<float> before = mask.alpha;
  refineAlongEdges(d.picture, mask);
  EXPECT_EQ(mask.alpha, before);
  InstanceMask empty;
  refineAlongEdges(d.picture, empty);
  EXPECT_TRUE(empty.alpha.empty());
}

TEST(Foreground, EmptyPictureIsAnError) {
  EXPECT_FALSE(foregroundInstances(Bitmap{}));
  EXPECT_FALSE(foregroundInstances(Bitmap{10, 10, {}}));
}

}  // namespace
}  // namespace vell::platform::vision
