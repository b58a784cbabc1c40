#include "platform/vision/face_presence.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::platform::vision {
namespace {

TEST(FaceRule, SureDetectionsOrASecondOpinion) {
  struct Case {
    float score;
    std::optional<float> presence;
    bool kept;
  };
  const float sure = kSureFaceScore, unsure = std::nextafter(kSureFaceScore, 0.0f);
  const Case cases[] = {
      {0.95f, std::nullopt, true},    // sure: no second opinion needed
      {sure, std::nullopt, true},     // sure at exactly the line
      {sure, 0.1f, true},             // a sure face FaceMesh misses (small, blurred) stays
      {unsure, std::nullopt, false},  // in doubt and nobody asked
      {unsure, 0.5f, true},           // in doubt, FaceMesh sees a face at the line
      {0.6f, 0.97f, true},
      {0.6f, 0.49f, false},  // an orange slice, fur, a hump
      {0.5f, 0.0f, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(keepFace(c.score, c.presence), c.kept)
        << c.score << " " << (c.presence ? *c.presence : -1.0f);
  EXPECT_TRUE(needsSecondOpinion(unsure));
  EXPECT_FALSE(needsSecondOpinion(sure));
}

TEST(FaceRule, CropIsASquareAroundTheFace) {
  // A face 0.1 wide and 0.2 high at the middle of a 400 x 200 picture: 40 x
  // 40 pixels, so the square is 64 pixels around (200, 100).
  ScoredBox face{0.45f, 0.4f, 0.55f, 0.6f, 0.7f, 0};
  cv::Rect2f crop = faceMeshCrop(face, 400, 200);
  EXPECT_NEAR(crop.x, 168, 1e-3);
  EXPECT_NEAR(crop.y, 68, 1e-3);
  EXPECT_NEAR(crop.width, 64, 1e-3);
  EXPECT_NEAR(crop.height, 64, 1e-3);
  // Wider than high: the longer side counts.
  cv::Rect2f wide = faceMeshCrop({0.0f, 0.0f, 0.5f, 0.1f, 0.7f, 0}, 400, 200);
  EXPECT_NEAR(wide.width, 320, 1e-3);
  EXPECT_NEAR(wide.x + wide.width / 2, 100, 1e-3);
}

TEST(FaceRule, SquareIsScaledWithBlackBeyondThePicture) {
  // A picture red on its left half, blue on its right; the square reaches
  // 32 pixels past its left edge.
  cv::Mat rgb(100, 100, CV_8UC3, cv::Scalar(0, 0, 255));
  rgb(cv::Rect(0, 0, 50, 100)).setTo(cv::Scalar(255, 0, 0));
  cv::Mat square = faceMeshSquare(rgb, {-32, 18, 64, 64});
  ASSERT_EQ(square.rows, kFaceMeshInput);
  ASSERT_EQ(square.cols, kFaceMeshInput);
  ASSERT_EQ(square.type(), CV_8UC3);
  // Every square pixel is a third of a picture pixel: the left half of the
  // square is beyond the picture, then red from x = 96 on.
  EXPECT_EQ(square.at<cv::Vec3b>(96, 40), cv::Vec3b(0, 0, 0));
  EXPECT_EQ(square.at<cv::Vec3b>(96, 150), cv::Vec3b(255, 0, 0));
  EXPECT_EQ(square.at<cv::Vec3b>(10, 150), cv::Vec3b(255, 0, 0));
}

}  // namespace
}  // namespace vell::platform::vision
