#include "platform/vision/attention.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/vision/attention_regions.hpp"
#include "platform/vision/test_pictures.hpp"

namespace vell::platform::vision {
namespace {

using testing::ModelTest;

HeatGrid emptyGrid(int width, int height) {
  return {width, height, std::vector<float>(static_cast<size_t>(width) * height, 0.0f)};
}

void fill(HeatGrid& grid, int left, int top, int width, int height, float value) {
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x)
      grid.values[static_cast<size_t>(y) * grid.width + x] = value;
}

void expectRect(const NormalizedRect& actual, const NormalizedRect& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-9);
  EXPECT_NEAR(actual.y, expected.y, 1e-9);
  EXPECT_NEAR(actual.w, expected.w, 1e-9);
  EXPECT_NEAR(actual.h, expected.h, 1e-9);
}

TEST(SalientRegions, HotPartsHottestFirstWithALowerLeftOrigin) {
  // 10 x 5 grid: a 2 x 2 patch at 1.0 top left, a 3 x 1 strip at 0.9 in the
  // bottom row; 0.4 haze (below half the peak) between them.
  HeatGrid grid = emptyGrid(10, 5);
  fill(grid, 0, 0, 10, 5, 0.4f);
  fill(grid, 1, 0, 2, 2, 1.0f);
  fill(grid, 6, 4, 3, 1, 0.9f);
  auto regions = salientRegions(grid);
  ASSERT_EQ(regions.size(), 2u);
  // Heat 4.0 against 2.7: the patch first. Columns 1..2, rows 0..1 (top).
  expectRect(regions[0], {0.1, 0.6, 0.2, 0.4});
  expectRect(regions[1], {0.6, 0.0, 0.3, 0.2});
}

TEST(SalientRegions, DiagonalNeighboursJoinAndSmallRegionsAreDropped) {
  HeatGrid grid = emptyGrid(20, 20);
  // Two cells touching at a corner make one region.
  fill(grid, 2, 2, 4, 4, 1.0f);
  fill(grid, 6, 6, 4, 4, 1.0f);
  // A lone cell at the peak: far less than a tenth of the hot heat.
  fill(grid, 18, 18, 1, 1, 1.0f);
  auto regions = salientRegions(grid);
  ASSERT_EQ(regions.size(), 1u);
  expectRect(regions[0], {0.1, 0.5, 0.4, 0.4});
}

TEST(SalientRegions, AtMostFourAndNoneWithoutHeat) {
  HeatGrid grid = emptyGrid(20, 4);
  for (int i = 0; i < 6; ++i)
    fill(grid, i * 3, 1, 2, 2, 1.0f - 0.01f * i);
  auto regions = salientRegions(grid);
  ASSERT_EQ(regions.size(), 4u);
  EXPECT_NEAR(regions[0].x, 0.0, 1e-9);  // the hottest, leftmost
  EXPECT_NEAR(regions[3].x, 0.45, 1e-9);

  EXPECT_TRUE(salientRegions(emptyGrid(8, 8)).empty());
  EXPECT_TRUE(salientRegions(HeatGrid{}).empty());
  EXPECT_TRUE(salientRegions(HeatGrid{4, 4, {1.0f}}).empty());  // wrong size
}

TEST(AddFace, PeaksOnTheFaceAndWarmsTheBodyBelow) {
  HeatGrid grid = emptyGrid(40, 40);
  // A face in the top middle: x 0.4..0.6, y (top-left) 0.1..0.3.
  addFace(grid, {0.4, 0.7, 0.2, 0.2}, 0.8f);
  auto at = [&](double x, double y) {
    return grid.values[static_cast<size_t>(y * 40) * 40 + static_cast<size_t>(x * 40)];
  };
  auto peak = std::max_element(grid.values.begin(), grid.values.end()) - grid.values.begin();
  EXPECT_NEAR((peak % 40 + 0.5) / 40, 0.5, 0.03);
  EXPECT_NEAR((peak / 40 + 0.5) / 40, 0.2, 0.03);
  EXPECT_GE(at(0.5, 0.2), 0.8f);  // the face's own peak, and some of the body's
  EXPECT_LE(at(0.5, 0.2), 1.0f);
  EXPECT_GT(at(0.5, 0.55), 0.3f);  // the chest
  EXPECT_LT(at(0.5, 0.55), at(0.5, 0.2));
  EXPECT_LT(at(0.05, 0.2), 0.05f);          // beside the face, far off
  EXPECT_LT(at(0.5, 0.02), at(0.5, 0.55));  // above the head less than the body
}

AttentionHints withFaces(std::vector<RectObservation> faces) {
  AttentionHints hints;
  hints.faces = std::move(faces);
  return hints;
}

TEST(Attention, HandedInFacesDrawTheHeat) {
  // A plain grey picture: nothing but the faces to look at.
  Bitmap plain{400, 300, std::vector<std::uint8_t>(400u * 300u * 4, 128)};
  struct Case {
    NormalizedRect face;  // lower-left origin
    double peakX, peakY;  // top-left origin
  };
  for (const Case& c : std::vector<Case>{
           {{0.1, 0.6, 0.1, 0.15}, 0.15, 0.325},
           {{0.7, 0.5, 0.2, 0.2}, 0.8, 0.4},
       }) {
    auto observation = attentionSaliency(plain, withFaces({{c.face, 0.9f}}));
    ASSERT_TRUE(observation) << observation.error().text;
    const auto& heat = observation->heat;
    auto peak = std::max_element(heat.begin(), heat.end()) - heat.begin();
    EXPECT_NEAR((peak % observation->width + 0.5) / observation->width, c.peakX, 0.03);
    EXPECT_NEAR((peak / observation->width + 0.5) / observation->height, c.peakY, 0.04);
    EXPECT_FLOAT_EQ(heat[peak], 1.0f);
    ASSERT_FALSE(observation->salientObjects.empty());
    const NormalizedRect& first = observation->salientObjects[0];
    EXPECT_TRUE(first.x <= c.peakX && c.peakX <= first.x + first.w);
  }
  // Without faces nothing stands out: no heat and no region, so a cover
  // falls back on the middle of the picture.
  auto none = attentionSaliency(plain, withFaces({}));
  ASSERT_TRUE(none);
  ASSERT_EQ(none->heat.size(), static_cast<size_t>(none->width) * none->height);
  EXPECT_EQ(*std::max_element(none->heat.begin(), none->heat.end()), 0.0f);
  EXPECT_TRUE(none->salientObjects.empty());
}

TEST(Attention, EmptyPictureIsAnError) {
  EXPECT_FALSE(attentionSaliency(Bitmap{}));
  EXPECT_FALSE(attentionSaliency(Bitmap{4, 4, {}}));
}

// Where the eye goes on real photos: the hottest cell lies on the subject,
// and the first salient region lies mostly on it. (Where covers crop these
// and more photos is judged by bench/subjects.)
TEST_F(ModelTest, AttentionLandsOnTheSubject) {
  struct Case {
    const char* name;
    double left, top, right, bottom;  // the subject, top-left origin
  };
  for (const Case& c : std::vector<Case>{
           {"astronaut.png", 0.1, 0.05, 0.7, 1.0},
           {"chelsea.png", 0.1, 0.0, 0.95, 1.0},
           {"european-honey-bee.jpg", 0.08, 0.22, 0.5, 0.75},
           {"qt-logo.jpg", 0.1, 0.05, 0.95, 1.0},
           {"donna.jpg", 0.38, 0.3, 0.6, 0.75},
           {"pool.jpg", 0.1, 0.15, 0.65, 0.7},
       }) {
    auto observation = attentionSaliency(picture(c.name));
    ASSERT_TRUE(observation) << observation.error().text;
    const auto& heat = observation->heat;
    int width = observation->width, height = observation->height;
    ASSERT_GT(width, 16);
    ASSERT_GT(height, 16);
    ASSERT_EQ(heat.size(), static_cast<size_t>(width) * height);
    EXPECT_GE(*std::min_element(heat.begin(), heat.end()), 0.0f);

    auto peak = std::max_element(heat.begin(), heat.end()) - heat.begin();
    double px = (peak % width + 0.5) / width, py = (peak / width + 0.5) / height;
    EXPECT_TRUE(px >= c.left && px <= c.right && py >= c.top && py <= c.bottom)
        << c.name << ": peak at " << px << ", " << py;

    ASSERT_FALSE(observation->salientObjects.empty()) << c.name;
    const NormalizedRect& first = observation->salientObjects[0];
    double top = 1 - first.y - first.h;
    double w = std::min(first.x + first.w, c.right) - std::max(first.x, c.left);
    double h = std::min(top + first.h, c.bottom) - std::max(top, c.top);
    EXPECT_GE(std::max(w, 0.0) * std::max(h, 0.0), 0.6 * first.w * first.h)
        << c.name << ": first region " << first.x << ", " << top << ", " << first.w << ", "
        << first.h;
  }
}

}  // namespace
}  // namespace vell::platform::vision
