#pragma once

// For the vision tests: sample pictures as bitmaps (decoded with OpenCV, so
// the tests stand without the imaging service) and the build's models.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "platform/image/bitmap.hpp"
#include "platform/vision/models.hpp"

namespace vell::platform::vision::testing {

// The models folder of the build the test runs from.
inline std::filesystem::path buildModels() {
  const char* bin = std::getenv("BIN_DIR");
  return bin ? std::filesystem::path(bin).parent_path() / "share" / "vell" / "models" : "";
}

inline Bitmap bitmapFrom(const cv::Mat& bgr) {
  cv::Mat rgba;
  cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
  Bitmap bitmap{rgba.cols, rgba.rows, {}};
  bitmap.rgba.assign(rgba.datastart, rgba.dataend);
  return bitmap;
}

// $SAMPLES, else the set-up scripts' default place for the samples.
inline std::filesystem::path samplesFolder() {
  if (const char* samples = std::getenv("SAMPLES"); samples && *samples)
    return samples;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
    return std::filesystem::path(cache) / "vell" / "samples";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : "") / ".cache" / "vell" / "samples";
}

// `name` from the samples' pictures folder, upright; empty when missing.
inline Bitmap samplePicture(const std::string& name) {
  cv::Mat bgr = cv::imread((samplesFolder() / "pictures" / name).string(), cv::IMREAD_COLOR);
  return bgr.empty() ? Bitmap{} : bitmapFrom(bgr);
}

// The part of `bitmap` from (x, y), `width` x `height` pixels.
inline Bitmap cropped(const Bitmap& bitmap, int x, int y, int width, int height) {
  Bitmap out{width, height, {}};
  for (int row = 0; row < height; ++row) {
    const auto* from = bitmap.pixel(x, y + row);
    out.rgba.insert(out.rgba.end(), from, from + static_cast<size_t>(width) * 4);
  }
  return out;
}

// Points the models folder at the build's for each test, and away from it
// again afterwards so a test of a missing folder cannot leak.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(buildModels().empty()) << "BIN_DIR is not set";
    overrideModelsFolder(buildModels());
  }
  void TearDown() override { overrideModelsFolder(buildModels()); }

  static Bitmap picture(const std::string& name) {
    Bitmap bitmap = samplePicture(name);
    EXPECT_FALSE(bitmap.empty()) << name << " is not in $SAMPLES/pictures (run scripts/samples.sh)";
    return bitmap;
  }
};

}  // namespace vell::platform::vision::testing
