#include "platform/vision/text.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "platform/vision/models.hpp"

namespace vell::platform::vision {
namespace {

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("BIN_DIR");
    ASSERT_NE(bin, nullptr);
    overrideModelsFolder(std::filesystem::path(bin).parent_path() / "share" / "vell" / "models");
  }
};

Bitmap fromMat(const cv::Mat& bgr) {
  cv::Mat rgba;
  cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
  Bitmap bitmap{rgba.cols, rgba.rows, {}};
  bitmap.rgba.assign(rgba.datastart, rgba.dataend);
  return bitmap;
}

// Black words on white, one line each, at the given baselines.
Bitmap page(const std::vector<std::pair<std::string, int>>& lines, int width = 800,
            int height = 600) {
  cv::Mat bgr(height, width, CV_8UC3, cv::Scalar(255, 255, 255));
  for (const auto& [text, baseline] : lines)
    cv::putText(bgr, text, {40, baseline}, cv::FONT_HERSHEY_DUPLEX, 2.0, cv::Scalar(0, 0, 0), 3,
                cv::LINE_AA);
  return fromMat(bgr);
}

TEST(TextBoxes, PostProcessingOfAProbabilityMap) {
  // A 100 x 50 map: a confident bar of 40 x 10 at (10, 5), a faint one that
  // passes the binary threshold but not the box score, and a confident bar
  // further up. Boxes come top first and grow by area x 1.5 / perimeter.
  const int w = 100, h = 50;
  std::vector<float> map(w * h, 0.0f);
  auto fill = [&](int x0, int y0, int x1, int y1, float value) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        map[y * w + x] = value;
  };
  fill(10, 25, 50, 35, 0.9f);
  fill(60, 40, 90, 48, 0.5f);
  fill(20, 5, 80, 15, 0.95f);
  auto boxes = textBoxesFromProbability(map, w, h, 200, 100);
  ASSERT_EQ(boxes.size(), 2u);
  // The top bar's contour runs through pixel centres, 59 x 9 around
  // (49.5, 9.5); it grows by 59 * 9 * 1.5 / 136 = 5.857 on every side, is cut
  // at the top edge, and the map's pixels are 2 x 2 in the picture.
  struct Expected {
    double x, top, w, h;
  };
  const Expected expected[] = {{0.1414, 0.0, 0.7071, 0.3971}, {0.0452, 0.3903, 0.4997, 0.3994}};
  for (int i = 0; i < 2; ++i) {
    const auto& box = boxes[i].box;
    EXPECT_NEAR(box.x, expected[i].x, 0.005) << i;
    EXPECT_NEAR(1 - box.y - box.h, expected[i].top, 0.005) << i;
    EXPECT_NEAR(box.w, expected[i].w, 0.005) << i;
    EXPECT_NEAR(box.h, expected[i].h, 0.005) << i;
  }
  EXPECT_GT(boxes[0].confidence, 0.9f);
}

TEST(TextBoxes, RejectsMapsOfTheWrongSize) {
  EXPECT_TRUE(textBoxesFromProbability({0.9f, 0.9f}, 3, 3, 10, 10).empty());
  EXPECT_TRUE(textBoxesFromProbability({}, 0, 0, 10, 10).empty());
}

TEST_F(TextTest, FindsAndReadsPrintedLines) {
  Bitmap picture = page({{"NOTICE", 150}, {"DOUBLE PARKING", 350}});
  auto rects = detectTextRectangles(picture);
  ASSERT_TRUE(rects) << rects.error().text;
  // The wide gap of this font may split the second line into its words.
  ASSERT_GE(rects->size(), 2u);
  ASSERT_LE(rects->size(), 3u);
  EXPECT_GT((*rects)[0].box.y, (*rects)[1].box.y);  // top line first
  auto lines = recognizeText(picture, {});
  ASSERT_TRUE(lines) << lines.error().text;
  ASSERT_EQ(lines->size(), rects->size());
  std::string rest;
  for (size_t i = 1; i < lines->size(); ++i)
    rest += (rest.empty() ? "" : " ") + (*lines)[i].string;
  EXPECT_EQ((*lines)[0].string, "NOTICE");
  EXPECT_EQ(rest, "DOUBLE PARKING");
  for (const auto& line : *lines) {
    EXPECT_GT(line.confidence, 0.5f) << line.string;
    EXPECT_LE(line.confidence, 1.0f);
  }
}

TEST_F(TextTest, MinimumHeightAndBlankPictures) {
  Bitmap picture = page({{"NOTICE", 150}});
  auto lines = recognizeText(picture, {.minimumTextHeight = 0.5f});
  ASSERT_TRUE(lines);
  EXPECT_TRUE(lines->empty());
  auto blank = detectTextRectangles(page({}));
  ASSERT_TRUE(blank);
  EXPECT_TRUE(blank->empty());
}

TEST_F(TextTest, SceneTextPhoto) {
  const char* samples = std::getenv("SAMPLES");
  ASSERT_NE(samples, nullptr);
  auto path = std::filesystem::path(samples) / "pictures" / "scenetext01.jpg";
  cv::Mat bgr = cv::imread(path.string());
  ASSERT_FALSE(bgr.empty()) << path;
  auto lines = recognizeText(fromMat(bgr), {});
  ASSERT_TRUE(lines) << lines.error().text;
  std::string all;
  for (const auto& line : *lines)
    all += line.string + "\n";
  EXPECT_NE(all.find("NOTICE"), std::string::npos) << all;
  EXPECT_NE(all.find("PARKING"), std::string::npos) << all;
}

TEST_F(TextTest, SeveralThreadsAtOnceAndSizeChanges) {
  std::vector<Bitmap> pictures = {page({{"NOTICE", 100}}, 400, 300),
                                  page({{"NOTICE", 100}}, 320, 240),
                                  page({{"NOTICE", 100}}, 400, 300)};
  std::vector<size_t> counts(2, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (const auto& picture : pictures) {
        auto rects = detectTextRectangles(picture);
        if (rects)
          counts[t] += rects->size();
      }
    });
  for (auto& thread : threads)
    thread.join();
  for (size_t count : counts)
    EXPECT_EQ(count, 3u);
}

TEST(TextMissingModel, IsAnError) {
  overrideModelsFolder("/nonexistent");
  // A fresh thread has no cached net, so the missing file is noticed.
  Result<std::vector<RectObservation>> result = Error{""};
  std::thread([&] { result = detectTextRectangles(page({{"A", 100}})); }).join();
  EXPECT_FALSE(result);
}

}  // namespace
}  // namespace vell::platform::vision
