#include "platform/vision/cielab.hpp"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace vell::platform::vision {
namespace {

TEST(Cielab, KnownColours) {
  struct Case {
    cv::Vec3f rgb, lab;
  };
  // Reference values of the CIELAB definition with the D65 white.
  for (const Case& c : {Case{{1, 1, 1}, {100, 0, 0}}, Case{{0, 0, 0}, {0, 0, 0}},
                        Case{{1, 0, 0}, {53.24f, 80.09f, 67.20f}},
                        Case{{0, 0, 1}, {32.30f, 79.19f, -107.86f}},
                        Case{{0.5f, 0.5f, 0.5f}, {53.39f, 0, 0}}}) {
    cv::Vec3f lab = cielabOf(cv::Mat3f(1, 1, c.rgb))(0, 0);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(lab[i], c.lab[i], 0.05) << "rgb " << c.rgb << " channel " << i;
  }
}

// The colour cue's distances were tuned on OpenCV's conversion, whose
// interpolated tables are a little off in dark colours (up to about 0.4).
TEST(Cielab, MatchesOpenCvAcrossTheCube) {
  cv::Mat3f rgb(1, 0);
  for (int r = 0; r <= 255; r += 15)
    for (int g = 0; g <= 255; g += 15)
      for (int b = 0; b <= 255; b += 15)
        rgb.push_back(cv::Vec3f(r / 255.0f, g / 255.0f, (b + 0.37f) / 256.0f));
  rgb = rgb.reshape(3, 1);
  cv::Mat3f theirs;
  cv::cvtColor(rgb, theirs, cv::COLOR_RGB2Lab);
  cv::Mat3f ours = cielabOf(rgb);
  double worst = 0;
  for (int i = 0; i < rgb.cols; ++i)
    worst = std::max(worst, cv::norm(ours(0, i) - theirs(0, i)));
  EXPECT_LT(worst, 0.5);
}

TEST(Cielab, OutOfRangeInputIsClamped) {
  cv::Vec3f over = cielabOf(cv::Mat3f(1, 1, cv::Vec3f(2, 2, 2)))(0, 0);
  cv::Vec3f under = cielabOf(cv::Mat3f(1, 1, cv::Vec3f(-1, -1, -1)))(0, 0);
  EXPECT_NEAR(over[0], 100, 0.05);
  EXPECT_NEAR(under[0], 0, 0.05);
}

}  // namespace
}  // namespace vell::platform::vision
