#include "platform/vision/text_lines.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace vell::platform::vision {
namespace {

// The corners of a `length` x `thickness` box centred at `centre`, its long
// side turned `degrees` clockwise from the horizontal (y grows downwards),
// starting at its bottom right corner and going round the other way than
// readingOrder returns them.
std::array<cv::Point2f, 4> box(cv::Point2f centre, float length, float thickness, float degrees) {
  float a = degrees * float(CV_PI) / 180;
  cv::Point2f along(std::cos(a), std::sin(a)), down(-std::sin(a), std::cos(a));
  cv::Point2f l = along * (length / 2), t = down * (thickness / 2);
  return {centre + l + t, centre - l + t, centre - l - t, centre + l - t};
}

void expectNear(const cv::Point2f& found, const cv::Point2f& expected, const char* what) {
  EXPECT_NEAR(found.x, expected.x, 0.01) << what;
  EXPECT_NEAR(found.y, expected.y, 0.01) << what;
}

TEST(ReadingOrder, TopLeftFirstWhateverTheSlant) {
  const cv::Point2f centre(100, 50);
  for (float degrees : {0.0f, 20.0f, -20.0f, 180.0f, 160.0f, -170.0f}) {
    auto corners = readingOrder(box(centre, 80, 20, degrees));
    // Read left to right: the top edge runs to the right, the left edge
    // down, and the writing's top is above its bottom.
    EXPECT_GT(corners[1].x, corners[0].x) << degrees;
    EXPECT_GT(corners[3].y, corners[0].y) << degrees;
    EXPECT_NEAR(cv::norm(corners[1] - corners[0]), 80, 0.01) << degrees;
    EXPECT_NEAR(cv::norm(corners[3] - corners[0]), 20, 0.01) << degrees;
    expectNear(corners[2], corners[0] + (corners[1] - corners[0]) + (corners[3] - corners[0]),
               "a rectangle");
  }
  // Closer to vertical than horizontal: read downwards, the writing's top
  // facing right, whichever way round the box was given.
  for (float degrees : {90.0f, -90.0f, 60.0f, -120.0f}) {
    auto corners = readingOrder(box(centre, 80, 20, degrees));
    EXPECT_GT(corners[1].y, corners[0].y) << degrees;
    EXPECT_LT(corners[3].x, corners[0].x) << degrees;
  }
  auto upright = readingOrder(box(centre, 80, 20, 0));
  expectNear(upright[0], {60, 40}, "top left");
  expectNear(upright[2], {140, 60}, "bottom right");
}

// A probability map with bars of `value` along the given boxes.
std::vector<float> mapWith(int width, int height,
                           const std::vector<std::pair<std::array<cv::Point2f, 4>, float>>& bars) {
  cv::Mat map(height, width, CV_32F, cv::Scalar(0));
  for (const auto& [corners, value] : bars) {
    std::vector<cv::Point> polygon;
    for (const auto& c : corners)
      polygon.emplace_back(int(std::lround(c.x)), int(std::lround(c.y)));
    cv::fillPoly(map, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(value));
  }
  return std::vector<float>(map.begin<float>(), map.end<float>());
}

TEST(LineQuads, FollowTheSlantAndGrowByTheUnclipDistance) {
  // A 200 x 100 map for a 400 x 200 picture: a slanted confident bar, a
  // faint one (over the binary threshold, under the box score), and a
  // straight bar above them.
  auto map = mapWith(200, 100,
                     {{box({100, 70}, 100, 10, 15), 0.9f},
                      {box({30, 30}, 40, 10, 0), 0.95f},
                      {box({160, 30}, 40, 8, 0), 0.5f}});
  auto lines = lineQuadsFromProbability(map, 200, 100, 400, 200);
  ASSERT_EQ(lines.size(), 2u);
  // Top line first. The straight bar covers pixels 10..50 x 25..35, so its
  // contour, through the pixel centres, is 40 x 10: it grows by area x 2 /
  // perimeter = 8 on every side, to 56 x 26, and map pixels are 2 x 2 in the
  // picture.
  const auto& straight = lines[0].corners;
  expectNear(straight[0], {2 * 2.0f, 2 * 17.0f}, "top left");
  expectNear(straight[2], {2 * 58.0f, 2 * 43.0f}, "bottom right");
  EXPECT_GT(lines[0].score, 0.9f);
  // The slanted one keeps its slant and its centre.
  const auto& slanted = lines[1].corners;
  cv::Point2f along = slanted[1] - slanted[0];
  EXPECT_NEAR(std::atan2(along.y, along.x) * 180 / CV_PI, 15, 1.5);
  EXPECT_GT(cv::norm(along), 3 * cv::norm(slanted[3] - slanted[0]));
  cv::Point2f centre = (slanted[0] + slanted[2]) * 0.5f;
  EXPECT_NEAR(centre.x, 200, 2);
  EXPECT_NEAR(centre.y, 140, 2);
  EXPECT_GT(lines[1].score, 0.8f);
}

TEST(LineQuads, PiecesOfOneLineLeftToRightAndBadMaps) {
  auto map =
      mapWith(200, 100, {{box({150, 50}, 40, 10, 0), 0.9f}, {box({50, 51}, 40, 10, 0), 0.9f}});
  auto lines = lineQuadsFromProbability(map, 200, 100, 200, 100);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(lines[0].corners[0].x, lines[1].corners[0].x);
  EXPECT_TRUE(lineQuadsFromProbability({0.9f, 0.9f}, 3, 3, 10, 10).empty());
  EXPECT_TRUE(lineQuadsFromProbability({}, 0, 0, 10, 10).empty());
}

TEST(UprightStrip, TurnsASlantedLineUpright) {
  // A dark bar of 180 x 20 turned 30 degrees on a light picture, a light
  // notch at its start, in a box of 200 x 30 around it: the strip shows the
  // bar level, the notch on the left, light above and below.
  cv::Mat grey(300, 400, CV_8U, cv::Scalar(230));
  auto bar = box({200, 150}, 180, 20, -30);
  std::vector<cv::Point> polygon;
  for (const auto& c : bar)
    polygon.emplace_back(int(std::lround(c.x)), int(std::lround(c.y)));
  cv::fillPoly(grey, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(20));
  LineQuad line{readingOrder(box({200, 150}, 200, 30, -30)), 1};
  cv::Point2f start = (line.corners[0] + line.corners[3]) * 0.5f;
  cv::Point2f inwards = (line.corners[1] - line.corners[0]) * 0.1f;
  cv::circle(grey, start + inwards, 5, cv::Scalar(230), cv::FILLED);

  cv::Mat strip = uprightStrip(grey, line, 48);
  ASSERT_EQ(strip.rows, 48);
  EXPECT_NEAR(strip.cols, 48.0 * 200 / 30, 1);
  auto meanOf = [&](int x0, int y0, int x1, int y1) {
    return cv::mean(strip(cv::Rect(x0, y0, x1 - x0, y1 - y0)))[0];
  };
  int w = strip.cols;
  EXPECT_LT(meanOf(w / 4, 20, 3 * w / 4, 28), 40);               // the bar, level
  EXPECT_GT(meanOf(w / 4, 0, 3 * w / 4, 5), 200);                // light above
  EXPECT_GT(meanOf(w / 4, 43, 3 * w / 4, 48), 200);              // and below
  EXPECT_GT(meanOf(int(w * 0.09), 20, int(w * 0.11), 28), 150);  // the notch
  EXPECT_LT(meanOf(int(w * 0.88), 20, int(w * 0.90), 28), 40);

  LineQuad flat{
      {cv::Point2f(10, 10), cv::Point2f(50, 10), cv::Point2f(50, 10), cv::Point2f(10, 10)}, 1};
  EXPECT_TRUE(uprightStrip(grey, flat, 48).empty());
}

TEST(SplitLongLine, PiecesFitBetweenWordsAndCoverTheLine) {
  EXPECT_EQ(splitLongLine("short line", 80).size(), 1u);
  std::string page =
      "We're tech enthusiasts on a mission to teach the world how to use and understand the tech";
  ASSERT_EQ(page.size(), 89u);
  auto pieces = splitLongLine(page, 80);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text + " " + pieces[1].text, page);
  EXPECT_DOUBLE_EQ(pieces[0].from, 0);
  EXPECT_DOUBLE_EQ(pieces[1].to, 1);
  EXPECT_LT(pieces[0].to, pieces[1].from);  // the space between them
  EXPECT_NEAR(pieces[0].to, 0.5, 0.1);
  // No space at all: cut in the middle of the word; several cuts as needed.
  auto word = splitLongLine(std::string(200, 'x'), 80);
  ASSERT_EQ(word.size(), 4u);
  for (const auto& piece : word)
    EXPECT_LE(piece.text.size(), 80u);
  // Code points, not bytes: 60 two-byte letters fit.
  std::string accented;
  for (int i = 0; i < 60; ++i)
    accented += "\xC3\xA9";
  EXPECT_EQ(splitLongLine(accented, 80).size(), 1u);
}

}  // namespace
}  // namespace vell::platform::vision
