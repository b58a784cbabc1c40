#pragma once

// Helpers shared by the image tests: sample paths and bitmap comparisons.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vips/vips8>

#include "platform/image/image.hpp"

namespace vell::platform::testing {

// A sample picture under $SAMPLES (`pictures/...` or `derived/...`); the
// test is skipped when the samples were not set up.
inline std::string sample(const std::string& name) {
  const char* root = std::getenv("SAMPLES");
  return std::string(root ? root : "") + "/" + name;
}

#define VELL_NEED_SAMPLE(path)        \
  if (!std::filesystem::exists(path)) \
  GTEST_SKIP() << "missing sample " << (path) << " (run scripts/samples.sh)"

inline Bitmap solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                    std::uint8_t a = 255) {
  Bitmap bitmap{width, height, {}};
  for (int i = 0; i < width * height; ++i)
    bitmap.rgba.insert(bitmap.rgba.end(), {r, g, b, a});
  return bitmap;
}

// Mean absolute difference over all four channels; infinity when the sizes
// differ.
inline double meanDifference(const Bitmap& a, const Bitmap& b) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size())
    return INFINITY;
  double sum = 0;
  for (size_t i = 0; i < a.rgba.size(); ++i)
    sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
  return sum / static_cast<double>(a.rgba.size());
}

inline int maxDifference(const Bitmap& a, const Bitmap& b) {
  if (a.rgba.size() != b.rgba.size())
    return 1000;
  int most = 0;
  for (size_t i = 0; i < a.rgba.size(); ++i)
    most = std::max(most, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
  return most;
}

// Some tests call libvips directly, to build inputs or references; it must
// be started first even when such a test runs alone.
class LibvipsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(VIPS_INIT("image_test"), 0); }
};
inline ::testing::Environment* const libvipsEnvironment =
    ::testing::AddGlobalTestEnvironment(new LibvipsEnvironment);

inline Bitmap mustDecode(const std::string& path) {
  Result<DecodedImage> decoded = decode(path);
  EXPECT_TRUE(decoded) << path << ": " << (decoded ? "" : decoded.error().text);
  return decoded ? decoded->bitmap : Bitmap{};
}

}  // namespace vell::platform::testing
