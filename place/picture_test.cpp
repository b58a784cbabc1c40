#include "place/picture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "common/test_folder.hpp"
#include "place/test_support.hpp"

namespace vell::place {
namespace {

TEST(GridSize, FollowsTheAspectRatio) {
  struct Case {
    int width, height, gw, gh;
  };
  const Case cases[] = {{1024, 768, 256, 192}, {768, 1024, 192, 256}, {1000, 600, 256, 153},
                        {1024, 10, 256, 32},   {10, 1024, 32, 256},   {500, 500, 256, 256},
                        {1, 1, 256, 256},      {3, 0, 256, 85}};
  for (const auto& c : cases) {
    GridSize size = gridSize(c.width, c.height);
    EXPECT_EQ(size.width, c.gw) << c.width << "x" << c.height;
    EXPECT_EQ(size.height, c.gh) << c.width << "x" << c.height;
  }
}

TEST(LaplacianVariance, WorkedExamples) {
  // 4 x 3, one sample of 10 at (1, 1): v = 40 and -10, variance 625.
  std::vector<std::uint8_t> dot = {0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0};
  EXPECT_DOUBLE_EQ(laplacianVariance(dot, 4, 3), 625.0);
  EXPECT_DOUBLE_EQ(laplacianVariance(std::vector<std::uint8_t>(64 * 32, 77), 64, 32), 0.0);
  // A sample of 1 instead: v = 4 and -1, variance 6.25, rounded away from
  // zero to 6.3.
  dot[5] = 1;
  EXPECT_DOUBLE_EQ(laplacianVariance(dot, 4, 3), 6.3);
  EXPECT_DOUBLE_EQ(laplacianVariance({1, 2}, 2, 1), 0.0);
}

TEST(Load, SizesAndUnreadableFiles) {
  TestFolder folder;
  writePicture(folder.path() / "big.png", 2048, 1536);
  writePicture(folder.path() / "small.png", 640, 480);
  writePicture(folder.path() / "tall.png", 300, 3000);
  writeText(folder.path() / "text.jpg", "not a picture\n");
  writeText(folder.path() / "empty.jpg", "");
  struct Case {
    std::string name;
    int width, height;  // 0: nothing
  };
  const Case cases[] = {{"big.png", 1024, 768},
                        {"small.png", 640, 480},
                        {"tall.png", 102, 1024},
                        {"text.jpg", 0, 0},
                        {"empty.jpg", 0, 0},
                        {"missing.png", 0, 0},
                        {".", 0, 0}};
  for (const auto& c : cases) {
    auto image = load((folder.path() / c.name).string(), 1024);
    if (c.width == 0) {
      EXPECT_FALSE(image) << c.name;
      continue;
    }
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(image->width, c.width) << c.name;
    EXPECT_EQ(image->height, c.height) << c.name;
  }
}

TEST(Load, OrientationTagGivesTheUprightSize) {
  const char* samples = std::getenv("SAMPLES");
  ASSERT_NE(samples, nullptr);
  auto upright = load(std::string(samples) + "/pictures/european-honey-bee.jpg", 1024);
  auto sideways = load(std::string(samples) + "/derived/bee-orientation-6.jpg", 1024);
  ASSERT_TRUE(upright);
  ASSERT_TRUE(sideways);
  EXPECT_EQ(upright->width, 1024);
  EXPECT_EQ(sideways->height, 1024);
  EXPECT_EQ(sideways->width, upright->height);
}

TEST(Sharpness, UniformIsZeroAndFineDetailIsSharper) {
  Bitmap grey{300, 200, std::vector<std::uint8_t>(300 * 200 * 4, 128)};
  EXPECT_EQ(sharpness(grey), 0.0);
  TestFolder folder;
  writePicture(folder.path() / "fine.png", 1024, 768, 4);
  writePicture(folder.path() / "coarse.png", 1024, 768, 64);
  auto fine = load((folder.path() / "fine.png").string(), 1024);
  auto coarse = load((folder.path() / "coarse.png").string(), 1024);
  ASSERT_TRUE(fine && coarse);
  double fineSharpness = sharpness(*fine), coarseSharpness = sharpness(*coarse);
  EXPECT_GT(fineSharpness, 4 * coarseSharpness);
  EXPECT_GT(coarseSharpness, 0);
  EXPECT_DOUBLE_EQ(fineSharpness, std::round(fineSharpness * 10) / 10);
}

}  // namespace
}  // namespace vell::place
