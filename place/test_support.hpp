#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "place/vision.hpp"
#include "platform/image/image.hpp"

namespace vell::place {

// Vision for tests: hands back a prepared batch, or fails on request, and
// records what it was asked.
class FakeVision : public Vision {
 public:
  MainBatch batch;
  bool failBatch = false;
  bool failRecognition = false;
  std::vector<RecognizedText> recognized;
  int recognitions = 0;
  bool askedForPrints = false;
  BatchRequest asked;
  std::function<void()> duringBatch;

  Result<MainBatch> performMainBatch(const platform::Bitmap&, const BatchRequest& request) override {
    askedForPrints = request.prints;
    asked = request;
    if (duringBatch)
      duringBatch();
    if (failBatch)
      return Error{"fake failure"};
    return batch;
  }
  Result<std::vector<RecognizedText>> recognizeText(const platform::Bitmap&,
                                                    const MainBatch&) override {
    ++recognitions;
    if (failRecognition)
      return Error{"fake failure"};
    return recognized;
  }
};

// Writes a `width` x `height` PNG with a checker pattern of `cell` pixels.
inline void writePicture(const std::filesystem::path& path, int width, int height, int cell = 8) {
  platform::Bitmap bitmap{width, height, std::vector<std::uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t value = ((x / cell + y / cell) % 2) ? 230 : 20;
      auto* p = bitmap.pixel(x, y);
      p[0] = value, p[1] = value, p[2] = value, p[3] = 255;
    }
  auto png = platform::encodePng(bitmap);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), png->size());
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vell::place
