#include "cover/scene.hpp"

#include <cmath>
#include <gtest/gtest.h>

namespace vell::cover {
namespace {

TEST(Scene, TakesHeatMapsOnlyWhenTheirSizeMatches) {
  struct Case {
    std::int64_t width, height;
    std::vector<float> samples;
    std::vector<float> heat;
  } cases[] = {
      {3, 1, {0.1f, -2.0f, std::nanf("")}, {0.1f, 0, 0}},
      {2, 2, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {2, 2, {1, 2, 3}, {}},
      {3, 1, {1, 2, 3, 4}, {}},
      {0, 0, {}, {}},
      {-1, -4, {1, 2, 3, 4}, {}},
  };
  for (const auto& c : cases) {
    Scene scene;
    addHeatMap(scene, c.width, c.height, c.samples);
    EXPECT_EQ(scene.heat, c.heat) << c.width << "x" << c.height;
    EXPECT_EQ(scene.hw, c.heat.empty() ? 0 : c.width);
    EXPECT_EQ(scene.hh, c.heat.empty() ? 0 : c.height);
  }
}

TEST(Scene, ConvertsRegionsToTopLeftBoxesInOrder) {
  Scene scene;
  addAttentionRegions(scene, {{0.1, 0.2, 0.3, 0.4}, {0, 0, 1, 1}});
  addObjects(scene, {{{0.5, 0.5, 0.25, 0.25}, 0.75f}});
  ASSERT_EQ(scene.attention.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.attention[0].y, 0.4);
  EXPECT_DOUBLE_EQ(scene.attention[1].y, 0);
  ASSERT_EQ(scene.objects.size(), 1u);
  EXPECT_EQ(scene.objects[0].box, (Box{0.5, 0.25, 0.25, 0.25}));
  EXPECT_EQ(scene.objects[0].confidence, 0.75f);
}

}  // namespace
}  // namespace vell::cover
