#include "platform/vision/foreground.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/vision/test_pictures.hpp"

namespace vell::platform::vision {
namespace {

using testing::ModelTest;

Bitmap derivedPicture(const std::string& name) {
  cv::Mat bgr =
      cv::imread((testing::samplesFolder() / "derived" / name).string(), cv::IMREAD_COLOR);
  EXPECT_FALSE(bgr.empty()) << name << " is not in $SAMPLES/derived (run scripts/samples.sh)";
  return bgr.empty() ? Bitmap{} : testing::bitmapFrom(bgr);
}

float alphaAt(const InstanceMask& mask, int x, int y) {
  return mask.alpha[static_cast<size_t>(y) * mask.width + x];
}

// A picture with a subject of known shape: `stamp`'s pixels where
// `stampMask` is set, scaled by `scale`, laid over `background` with their
// top-left corner at (`left`, `top`). Returns the composite and fills
// `truth` with the stamp's pixels in it.
Bitmap composite(const Bitmap& background, const Bitmap& stamp, const InstanceMask& stampMask,
                 double scale, int left, int top, std::vector<bool>& truth) {
  Bitmap out = background;
  truth.assign(static_cast<size_t>(out.width) * out.height, false);
  int width = static_cast<int>(stamp.width * scale),
      height = static_cast<int>(stamp.height * scale);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int sx = std::min(stamp.width - 1, static_cast<int>((x + 0.5) / scale));
      int sy = std::min(stamp.height - 1, static_cast<int>((y + 0.5) / scale));
      float a = alphaAt(stampMask, sx, sy) * (stampMask.instance[sy * stamp.width + sx] == 1);
      int tx = left + x, ty = top + y;
      if (a <= 0 || tx < 0 || ty < 0 || tx >= out.width || ty >= out.height)
        continue;
      std::uint8_t* target = out.pixel(tx, ty);
      const std::uint8_t* source = stamp.pixel(sx, sy);
      for (int c = 0; c < 3; ++c)
        target[c] = static_cast<std::uint8_t>(std::lround(source[c] * a + target[c] * (1 - a)));
      truth[static_cast<size_t>(ty) * out.width + tx] = a >= 0.5f;
    }
  return out;
}

double intersectionOverUnion(const InstanceMask& mask, const std::vector<bool>& truth) {
  size_t both = 0, either = 0;
  for (size_t i = 0; i < truth.size(); ++i) {
    bool found = mask.instance[i] != 0 && mask.alpha[i] >= 0.5f;
    both += found && truth[i];
    either += found || truth[i];
  }
  return either ? static_cast<double>(both) / either : 0;
}

TEST_F(ModelTest, ForegroundCoversTheAstronautAndNotTheWall) {
  Bitmap astronaut = picture("astronaut.png");
  auto mask = foregroundInstances(astronaut);
  ASSERT_TRUE(mask) << mask.error().text;
  ASSERT_EQ(mask->width, 512);
  ASSERT_EQ(mask->alpha.size(), 512u * 512u);
  ASSERT_FALSE(mask->allInstances.empty());
  struct Point {
    int x, y;
    bool subject;
  };
  for (const Point& p : std::vector<Point>{
           {215, 110, true},   // face
           {230, 40, true},    // hair
           {150, 380, true},   // suit, left arm
           {250, 300, true},   // suit, chest
           {330, 40, false},   // wall between head and shuttle
           {420, 330, false},  // dark table beside the helmet
       }) {
    float a = alphaAt(*mask, p.x, p.y);
    if (p.subject)
      EXPECT_GT(a, 0.9f) << p.x << "," << p.y;
    else
      EXPECT_LT(a, 0.1f) << p.x << "," << p.y;
  }
}

TEST_F(ModelTest, PlainSkyAndWallHaveNoForeground) {
  for (const char* name : {"sky.jpg", "wall.jpg"}) {
    auto mask = foregroundInstances(derivedPicture(name));
    ASSERT_TRUE(mask) << mask.error().text;
    EXPECT_TRUE(mask->allInstances.empty()) << name;
    EXPECT_EQ(*std::max_element(mask->alpha.begin(), mask->alpha.end()), 0.0f) << name;
  }
}

// The astronaut and the dog cut out and laid over other real pictures at
// known places: the mask must find them where they were put.
TEST_F(ModelTest, ForegroundFindsSubjectsLaidOverOtherPictures) {
  Bitmap astronaut = picture("astronaut.png");
  auto astronautMask = foregroundInstances(astronaut);
  ASSERT_TRUE(astronautMask) << astronautMask.error().text;
  // Trees and leaves of the dog picture, left of the dog.
  Bitmap forest = testing::cropped(picture("donna.jpg"), 0, 0, 300, 532);
  Bitmap wall = derivedPicture("wall.jpg");

  struct Case {
    const char* name;
    const Bitmap& background;
    double scale;
    int left, top;
  };
  for (const Case& c : std::vector<Case>{
           {"astronaut on wall", wall, 1.2, 400, 186},
           {"astronaut on forest", forest, 0.5, 30, 250},
       }) {
    std::vector<bool> truth;
    Bitmap scene =
        composite(c.background, astronaut, *astronautMask, c.scale, c.left, c.top, truth);
    auto mask = foregroundInstances(scene);
    ASSERT_TRUE(mask) << mask.error().text;
    double iou = intersectionOverUnion(*mask, truth);
    EXPECT_GE(iou, 0.9) << c.name;
    std::printf("%s: IoU %.3f\n", c.name, iou);
  }
}

TEST_F(ModelTest, MissingModelIsAnError) {
  overrideModelsFolder("/nonexistent");
  auto mask = foregroundInstances(picture("chelsea.png"));
  ASSERT_FALSE(mask);
  EXPECT_NE(mask.error().text.find("isnet-512.onnx"), std::string::npos) << mask.error().text;
}

}  // namespace
}  // namespace vell::platform::vision
