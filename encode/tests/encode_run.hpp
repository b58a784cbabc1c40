#pragma once

// Runs the built vell-encode for black-box tests and makes their inputs.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/test_folder.hpp"
#include "platform/image/image.hpp"
#include "platform/video/writer_probe.hpp"

namespace vell::encode::testing {

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;
};

inline std::string readText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline Outcome runEncode(const std::vector<std::string>& args) {
  const char* bin = std::getenv("BIN_DIR");
  // Killed after two minutes: a run that hangs fails its test.
  std::string command = "timeout --signal=KILL 120 " +
                        vell::testing::quoted(std::string(bin ? bin : ".") + "/vell-encode");
  for (const auto& arg : args)
    command += " " + vell::testing::quoted(arg);
  TestFolder logs;
  command += " >" + (logs.path() / "out").string() + " 2>" + (logs.path() / "err").string();
  int status = std::system(command.c_str());
  return {readText(logs.path() / "out"), readText(logs.path() / "err"),
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// A `width` x `height` PNG of one colour (with alpha) at `path`.
inline void writeStill(const std::filesystem::path& path, std::array<std::uint8_t, 4> rgba,
                       int width = 32, int height = 32) {
  platform::Bitmap bitmap{width, height, {}};
  for (int i = 0; i < width * height; ++i)
    bitmap.rgba.insert(bitmap.rgba.end(), rgba.begin(), rgba.end());
  auto png = platform::encodePng(bitmap);
  if (!png)
    throw std::runtime_error(png.error().text);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}

}  // namespace vell::encode::testing
