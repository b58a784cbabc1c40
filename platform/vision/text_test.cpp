#include "platform/vision/text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <set>
#include <sstream>
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

// A sample photo at the analyser's size (longer side at most 1024).
Bitmap photo(const std::string& relative) {
  const char* samples = std::getenv("SAMPLES");
  EXPECT_NE(samples, nullptr);
  auto path = std::filesystem::path(samples ? samples : "") / relative;
  cv::Mat bgr = cv::imread(path.string());
  EXPECT_FALSE(bgr.empty()) << path;
  double scale = 1024.0 / std::max(bgr.cols, bgr.rows);
  if (!bgr.empty() && scale < 1)
    cv::resize(bgr, bgr, {}, scale, scale, cv::INTER_AREA);
  return bgr.empty() ? Bitmap{} : fromMat(bgr);
}

// The words of `lines`, upper case, punctuation left out.
std::set<std::string> wordsOf(const std::vector<RecognizedText>& lines) {
  std::set<std::string> words;
  for (const auto& line : lines) {
    std::istringstream in(line.string);
    for (std::string word; in >> word;) {
      std::string kept;
      for (char c : word)
        if (std::isalnum(static_cast<unsigned char>(c)))
          kept += char(std::toupper(static_cast<unsigned char>(c)));
      if (!kept.empty())
        words.insert(kept);
    }
  }
  return words;
}

TEST_F(TextTest, SignAndTurnedPageReadWholeTextureGivesNothing) {
  // A parking sign in a street: every word of its body, none cut off. (Its
  // title touches the sign's frame and reads as "[NOTICE", a word the
  // engine does not believe.)
  auto sign = recognizeText(photo("pictures/scenetext01.jpg"), {});
  ASSERT_TRUE(sign) << sign.error().text;
  auto signWords = wordsOf(*sign);
  for (const char* word : {"DOUBLE", "PARKING", "PROHIBITED", "AT", "ALL", "TIMES"})
    EXPECT_TRUE(signWords.count(word)) << word;

  // A printed table lying a little turned on a desk: its lines follow the
  // turn, so nearly every word is read.
  auto page = recognizeText(photo("quality/page-courses.jpg"), {});
  ASSERT_TRUE(page) << page.error().text;
  auto pageWords = wordsOf(*page);
  const std::vector<std::string> expected = {
      "CONNECTOR",  "COURSES",   "STAT",    "UNITS",    "TOPICS",     "PROBABILITY",
      "STATISTICS", "MEETS",     "FALL",    "LEWIS",    "INSTRUCTOR", "LOCATION",
      "HISTORY",    "READING",   "WRITING", "POLICING", "SCIENCE",    "CONNECTIONS",
      "EVANS",      "MIND",      "HEALTH",  "BEHAVIOR", "GEOSPATIAL", "EXPLORATIONS",
      "TUESDAY",    "WEDNESDAY", "MONDAY",  "CORY",     "HALL",       "52254"};
  size_t read = std::count_if(expected.begin(), expected.end(),
                              [&](const std::string& word) { return pageWords.count(word); });
  EXPECT_GE(read, expected.size() * 95 / 100) << read << " of " << expected.size();

  // Grass and the ripples of a lake give the detector line-like regions;
  // none of them reads as writing.
  for (const char* texture : {"quality/grass-grey.png", "quality/lake.jpg"}) {
    auto lines = recognizeText(photo(texture), {});
    ASSERT_TRUE(lines) << lines.error().text;
    for (const auto& line : *lines)
      ADD_FAILURE() << texture << ": " << line.string << " " << line.confidence;
  }
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
