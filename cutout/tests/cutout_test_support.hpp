#pragma once

// Shared by the black-box tests of vell-cutout: running it, sample paths,
// reading and writing pictures.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "common/run_process.hpp"
#include "platform/image/image.hpp"

namespace vell::cutout::testing {

// Killed after two minutes: a run that hangs fails its test.
inline ProcessResult cutout(const std::vector<std::string>& args) {
  return runProcess(programPath("vell-cutout"), args, "", std::chrono::minutes(2));
}

inline std::filesystem::path samples() {
  const char* samples = std::getenv("SAMPLES");
  return samples && *samples ? samples : "";
}
inline std::string samplePicture(const std::string& name) {
  return (samples() / "pictures" / name).string();
}
inline std::string derivedPicture(const std::string& name) {
  return (samples() / "derived" / name).string();
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The picture at `path` as stored (a PNG's alpha kept).
inline platform::Bitmap load(const std::string& path) {
  auto decoded = platform::decode(path);
  EXPECT_TRUE(decoded) << path << ": " << (decoded ? "" : decoded.error().text);
  return decoded ? decoded->bitmap : platform::Bitmap{};
}

inline void savePng(const platform::Bitmap& bitmap, const std::filesystem::path& path) {
  auto png = platform::encodePng(bitmap);
  ASSERT_TRUE(png) << png.error().text;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}

}  // namespace vell::cutout::testing
