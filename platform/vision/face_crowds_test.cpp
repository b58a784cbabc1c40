#include "platform/vision/face_crowds.hpp"

#include <gtest/gtest.h>

namespace vell::platform::vision {
namespace {

ScoredBox face(float x, float y, float side) {
  return {x, y, x + side, y + side, 0.9f, 0};
}

RectObservation person(double x, double bottom, double w, double h, float confidence) {
  return {{x, bottom, w, h}, confidence};
}

TEST(CrowdRegions, OnlyACrowdsSignsCallForTheLook) {
  // A portrait, a couple of large faces, one person: nothing to look at.
  EXPECT_TRUE(crowdRegions({face(0.3f, 0.2f, 0.4f)}, {person(0.2, 0, 0.6, 1, 0.9f)}).empty());
  EXPECT_TRUE(crowdRegions({face(0.1f, 0.2f, 0.2f), face(0.6f, 0.2f, 0.2f)}, {}).empty());
  // A small face: look around it.
  auto small = crowdRegions({face(0.5f, 0.5f, 0.02f)}, {});
  ASSERT_EQ(small.size(), 1u);
  EXPECT_LT(small[0].x0, 0.5);
  EXPECT_GT(small[0].x1, 0.52);
  // Many small faces: everywhere.
  std::vector<ScoredBox> many;
  for (int i = 0; i < 4; ++i)
    many.push_back(face(0.1f + 0.2f * float(i), 0.5f, 0.02f));
  auto everywhere = crowdRegions(many, {});
  ASSERT_EQ(everywhere.size(), 1u);
  EXPECT_DOUBLE_EQ(everywhere[0].x1 - everywhere[0].x0, 1.0);
  // Three people, or one small person: their heads, the top of each box
  // (lower-left origin in, y down out); unsure people do not count.
  auto heads = crowdRegions({}, {person(0.0, 0.0, 0.2, 0.9, 0.8f), person(0.3, 0.0, 0.2, 0.9, 0.8f),
                                 person(0.6, 0.0, 0.2, 0.9, 0.8f)});
  ASSERT_EQ(heads.size(), 3u);
  EXPECT_LT(heads[0].y0, 0.2);
  EXPECT_LT(heads[0].y1, 0.5);
  EXPECT_EQ(crowdRegions({}, {person(0.4, 0.3, 0.05, 0.2, 0.8f)}).size(), 1u);
  // Three people whose faces were all found (large ones): nothing to look for.
  EXPECT_TRUE(crowdRegions({face(0.05f, 0.12f, 0.1f), face(0.35f, 0.12f, 0.1f),
                            face(0.65f, 0.12f, 0.1f)},
                           {person(0.0, 0.0, 0.2, 0.9, 0.8f), person(0.3, 0.0, 0.2, 0.9, 0.8f),
                            person(0.6, 0.0, 0.2, 0.9, 0.8f)})
                  .empty());
  EXPECT_TRUE(crowdRegions({}, {person(0.4, 0.3, 0.05, 0.2, 0.2f)}).empty());
}

TEST(CrowdTiles, OverlappingSquaresWhereTheRegionsAre) {
  EXPECT_TRUE(crowdTiles(1024, 768, {}).empty());
  EXPECT_TRUE(crowdTiles(kCrowdTileSide, kCrowdTileSide, {{0, 0, 1, 1}}).empty());
  auto all = crowdTiles(1024, 768, {{0, 0, 1, 1}});
  ASSERT_FALSE(all.empty());
  // Every pixel is in some tile; tiles stay inside the picture.
  for (int y = 0; y < 768; y += 37)
    for (int x = 0; x < 1024; x += 41)
      EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const PixelTile& t) {
        return x >= t.x && x < t.x + t.width && y >= t.y && y < t.y + t.height;
      })) << x << "," << y;
  for (const auto& t : all) {
    EXPECT_EQ(t.width, kCrowdTileSide);
    EXPECT_LE(t.x + t.width, 1024);
    EXPECT_LE(t.y + t.height, 768);
  }
  // A region in the top-left corner meets only the tiles there.
  auto corner = crowdTiles(1024, 768, {{0.0, 0.0, 0.05, 0.05}});
  ASSERT_FALSE(corner.empty());
  EXPECT_LT(corner.size(), all.size());
  for (const auto& t : corner)
    EXPECT_EQ(t.x, 0);
}

}  // namespace
}  // namespace vell::platform::vision
