#include "platform/vision/aesthetics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "platform/vision/models.hpp"

namespace vell::platform::vision {
namespace {

Bitmap fromMat(const cv::Mat& bgr) {
  cv::Mat rgba;
  cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
  Bitmap bitmap{rgba.cols, rgba.rows, {}};
  bitmap.rgba.assign(rgba.datastart, rgba.dataend);
  return bitmap;
}

Bitmap plain(cv::Scalar bgr) {
  return fromMat(cv::Mat(64, 64, CV_8UC3, bgr));
}

TEST(Aesthetics, Colourfulness) {
  struct Case {
    cv::Scalar bgr;
    double expected;
  };
  const Case cases[] = {
      {{128, 128, 128}, 0.0},
      {{0, 0, 255}, 0.3 * std::hypot(255.0, 127.5)},  // red: rg 255, yb 127.5
      {{255, 0, 0}, 0.3 * 255.0},                     // blue: rg 0, yb -255
  };
  for (const auto& c : cases)
    EXPECT_NEAR(colourfulness(plain(c.bgr)), c.expected, 1e-9);
  // Half black, half white: no colour at all, whatever the contrast.
  cv::Mat halves(64, 64, CV_8UC3, cv::Scalar(0, 0, 0));
  halves(cv::Rect(0, 0, 32, 64)).setTo(cv::Scalar(255, 255, 255));
  EXPECT_NEAR(colourfulness(fromMat(halves)), 0.0, 1e-9);
}

TEST(Aesthetics, ScoreMappingAndUtilityRule) {
  struct Score {
    double brisque;
    float expected;
  };
  const Score scores[] = {{0, 1}, {25, 0.5f}, {50, 0}, {100, -1}, {180, -1}, {-20, 1}, {NAN, -1}};
  for (const auto& s : scores)
    EXPECT_FLOAT_EQ(scoreFromBrisque(s.brisque), s.expected) << s.brisque;
  struct Utility {
    double coverage, colour;
    bool expected;
  };
  const Utility utilities[] = {{0.25, 80, true}, {0.2, 80, true},  {0.1, 80, false},
                               {0.1, 10, true},  {0.02, 5, false}, {0.0, 0, false}};
  for (const auto& u : utilities)
    EXPECT_EQ(looksLikeUtility(u.coverage, u.colour), u.expected) << u.coverage << " " << u.colour;
}

class AestheticsOnPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("BIN_DIR");
    ASSERT_NE(bin, nullptr);
    overrideModelsFolder(std::filesystem::path(bin).parent_path() / "share" / "vell" / "models");
  }
};

TEST_F(AestheticsOnPictures, BlurLowersTheScoreAndPagesAreUtility) {
  const char* samples = std::getenv("SAMPLES");
  ASSERT_NE(samples, nullptr);
  cv::Mat photo =
      cv::imread((std::filesystem::path(samples) / "pictures" / "scenetext01.jpg").string());
  ASSERT_FALSE(photo.empty());
  cv::Mat blurred;
  cv::GaussianBlur(photo, blurred, {0, 0}, 4);
  auto sharp = aestheticsScores(fromMat(photo), 0.0);
  auto soft = aestheticsScores(fromMat(blurred), 0.0);
  ASSERT_TRUE(sharp) << sharp.error().text;
  ASSERT_TRUE(soft) << soft.error().text;
  EXPECT_GE(sharp->overallScore, -1);
  EXPECT_LE(sharp->overallScore, 1);
  EXPECT_GT(sharp->overallScore, soft->overallScore + 0.2f);

  cv::Mat page(600, 800, CV_8UC3, cv::Scalar(255, 255, 255));
  for (int line = 0; line < 6; ++line)
    cv::putText(page, "Total due 12.50", {30, 90 + line * 90}, cv::FONT_HERSHEY_DUPLEX, 2.0,
                cv::Scalar(0, 0, 0), 3, cv::LINE_AA);
  auto receipt = aestheticsScores(fromMat(page));
  ASSERT_TRUE(receipt) << receipt.error().text;
  EXPECT_TRUE(receipt->isUtility);
}

TEST(AestheticsMissingModel, IsAnError) {
  overrideModelsFolder("/nonexistent");
  Result<AestheticsObservation> result = Error{""};
  std::thread([&] { result = aestheticsScores(plain({10, 20, 30}), 0.0); }).join();
  EXPECT_FALSE(result);
}

}  // namespace
}  // namespace vell::platform::vision
