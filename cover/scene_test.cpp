#include "cover/scene.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/atomic_file.hpp"
#include "common/test_folder.hpp"
#include "platform/image/image.hpp"

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

TEST(LoadAndAnalyse, CopyIsTheWorkingImageAtMostAnalysisSideLong) {
  TestFolder folder;
  // A 2000 x 1000 picture, dark on the left and bright on the right.
  platform::Bitmap picture{2000, 1000, std::vector<std::uint8_t>(size_t(2000) * 1000 * 4, 255)};
  for (int y = 0; y < 1000; ++y)
    for (int x = 0; x < 1000; ++x)
      std::fill_n(picture.pixel(x, y), 3, 20);
  auto png = platform::encodePng(picture);
  ASSERT_TRUE(png);
  std::string path = (folder.path() / "wide.png").string();
  ASSERT_TRUE(
      writeFileAtomically(path, std::span<const unsigned char>(png->data(), png->size()), 0644));

  struct Case {
    std::optional<std::string> blur;
    int width, height;
  } cases[] = {{std::nullopt, 512, 256}, {"0,0,1,1", 512, 257}};
  for (const auto& c : cases) {
    Sighted sighted = loadAndAnalyse(path, c.blur);
    ASSERT_TRUE(sighted.working);
    EXPECT_EQ(sighted.working->IW, c.blur ? 2008 : 2000);
    const platform::Bitmap& copy = sighted.analysisPicture;
    EXPECT_EQ(copy.width, c.width);
    EXPECT_EQ(copy.height, c.height);
    EXPECT_LT(copy.pixel(50, 128)[0], 60);
    EXPECT_GT(copy.pixel(450, 128)[0], 200);
  }
  Sighted missing = loadAndAnalyse((folder.path() / "missing.png").string(), std::nullopt);
  EXPECT_FALSE(missing.working);
  EXPECT_TRUE(missing.scene.heat.empty());
}

TEST(AnalysisCrop, CutsTheCropOutOfTheCopy) {
  platform::Bitmap copy{100, 50, std::vector<std::uint8_t>(100 * 50 * 4, 0)};
  struct Case {
    Box crop;
    int width, height;
  } cases[] = {
      {{0.1, 0.2, 0.5, 0.5}, 50, 25},
      {{0, 0, 1, 1}, 100, 50},
      {{0.999, 0.999, 0.001, 0.001}, 1, 1},
  };
  for (const auto& c : cases) {
    platform::Bitmap part = analysisCrop(copy, c.crop);
    EXPECT_EQ(part.width, c.width);
    EXPECT_EQ(part.height, c.height);
  }
}

}  // namespace
}  // namespace vell::cover
