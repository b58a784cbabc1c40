#include "bench/subjects/measure.hpp"

#include <gtest/gtest.h>

#include <random>

namespace vell::bench {
namespace {

using platform::Bitmap;

TEST(KeptShare, AreaOfTheSubjectInsideTheCrop) {
  struct Case {
    UnitBox crop, subject;
    double share;
  } cases[] = {
      {{0, 0, 1, 1}, {0.2, 0.2, 0.2, 0.2}, 1.0},        // wholly inside
      {{0, 0, 0.3, 1}, {0.2, 0.2, 0.2, 0.2}, 0.5},      // cut in half across
      {{0, 0.3, 1, 1}, {0.2, 0.2, 0.2, 0.2}, 0.5},      // cut in half down
      {{0.5, 0.5, 0.5, 0.5}, {0.1, 0.1, 0.2, 0.2}, 0},  // apart
      {{0, 0, 1, 1}, {0.2, 0.2, 0, 0.2}, 0},            // no area to keep
  };
  for (const Case& c : cases)
    EXPECT_NEAR(keptShare(c.crop, c.subject), c.share, 1e-12);
}

TEST(FullFit, LargestCropOfTheAspectCentred) {
  UnitBox narrow = fullFitCentred(1600, 1000, 0.4);
  EXPECT_NEAR(narrow.w, 0.25, 1e-12);
  EXPECT_NEAR(narrow.h, 1, 1e-12);
  EXPECT_NEAR(narrow.x, 0.375, 1e-12);
  UnitBox wide = fullFitCentred(1600, 1000, 2.4);
  EXPECT_NEAR(wide.w, 1, 1e-12);
  EXPECT_NEAR(wide.h, 1600.0 / 2400, 1e-12);
  EXPECT_NEAR(wide.y, (1 - 1600.0 / 2400) / 2, 1e-12);
}

TEST(Attainable, ASubjectLargerThanTheCropCanOnlyBePartlyKept) {
  // Crop 0.25 wide: a subject 0.5 wide can be kept by half at most.
  EXPECT_NEAR(attainableShare(1600, 1000, 0.4, {0.1, 0.1, 0.5, 0.5}), 0.5, 1e-12);
  EXPECT_NEAR(attainableShare(1600, 1000, 0.4, {0.1, 0.1, 0.2, 0.9}), 1, 1e-12);
  // Too wide and too tall at once for a square crop of a tall picture.
  EXPECT_NEAR(attainableShare(1000, 2000, 1.0, {0, 0, 1, 1}), 0.5, 1e-12);
  // Judged against that: 0.45 of a subject that can be kept by 0.5 counts.
  EXPECT_TRUE(keeps({0, 0, 0.25, 1}, {0.05, 0, 0.5, 0.5}, 0.5));
  EXPECT_FALSE(keeps({0, 0, 0.25, 1}, {0.1, 0, 0.5, 0.5}, 1.0));
}

Bitmap noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Bitmap bitmap{width, height, std::vector<std::uint8_t>(size_t(width) * height * 4)};
  for (size_t i = 0; i < bitmap.rgba.size(); ++i)
    bitmap.rgba[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(random());
  return bitmap;
}

// The part of `picture` at (left, top), transparent outside a disc.
Bitmap cutDisc(const Bitmap& picture, int left, int top, int side) {
  Bitmap cut{side, side, std::vector<std::uint8_t>(size_t(side) * side * 4)};
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      double dx = x - side / 2.0 + 0.5, dy = y - side / 2.0 + 0.5;
      if (dx * dx + dy * dy > side * side / 4.0)
        continue;
      std::copy_n(picture.pixel(left + x, top + y), 4, cut.pixel(x, y));
    }
  return cut;
}

TEST(LocateCut, FindsWhereACutOutWasTakenFrom) {
  Bitmap picture = noise(300, 200, 1);
  for (auto [left, top] : {std::pair{0, 0}, {137, 61}, {260, 160}}) {
    auto at = locateCut(cutDisc(picture, left, top, 40), picture);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->first, left);
    EXPECT_EQ(at->second, top);
  }
  // Taken from another picture, fully transparent, or larger: nowhere.
  EXPECT_FALSE(locateCut(cutDisc(noise(300, 200, 2), 10, 10, 40), picture));
  EXPECT_FALSE(locateCut(Bitmap{4, 4, std::vector<std::uint8_t>(64)}, picture));
  EXPECT_FALSE(locateCut(noise(301, 10, 3), picture));
}

TEST(CutIoU, OverlapOfFoundAndLaidPixels) {
  const int W = 10, H = 10;
  std::vector<bool> truth(W * H);
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x)
      truth[y * W + x] = true;  // 16 pixels
  Bitmap cut{4, 4, std::vector<std::uint8_t>(64, 255)};
  EXPECT_DOUBLE_EQ(cutIoU(cut, 2, 2, truth, W, H), 1.0);
  EXPECT_DOUBLE_EQ(cutIoU(cut, 4, 2, truth, W, H), 8.0 / 24);
  EXPECT_DOUBLE_EQ(cutIoU(cut, 6, 6, truth, W, H), 0.0);
  // Faint alpha is no subject.
  for (size_t i = 3; i < cut.rgba.size(); i += 4)
    cut.rgba[i] = 127;
  EXPECT_DOUBLE_EQ(cutIoU(cut, 2, 2, truth, W, H), 0.0);
}

}  // namespace
}  // namespace vell::bench
