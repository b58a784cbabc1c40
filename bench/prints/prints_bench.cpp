// Feature prints of every labelled photo and of edited copies of it, for
// run.sh to ask how often a copy's nearest print is its own original.
//
//   vell-bench-prints LIST OUT_DIR   (a key, a tab and a path a line)
//
// Each photo is taken at the analyser's size (longer side 1024) and edited
// six ways: scaled to half, cropped to its central 80 %, recompressed as a
// JPEG of quality 40, brightened, turned by 4 degrees, and a sticker laid
// over a corner. For the original and every copy one JSON line goes to
// standard output: {"key", "edit", "print": the quantised print as the
// analyser reports it (signed bytes), "file": a PNG of the pixels, written
// to OUT_DIR for the perceptual-hash peer}.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "place/feature_print.hpp"
#include "place/picture.hpp"
#include "platform/image/image.hpp"
#include "platform/vision/detector.hpp"

namespace {

using vell::platform::Bitmap;
namespace image = vell::platform;

Bitmap half(const Bitmap& a) {
  return *image::scaleLanczos(a, std::max(1, a.width / 2), std::max(1, a.height / 2));
}

Bitmap cropped(const Bitmap& a) {
  int w = a.width * 8 / 10, h = a.height * 8 / 10;
  return *image::crop(a, {(a.width - w) / 2, (a.height - h) / 2, w, h});
}

Bitmap recompressed(const Bitmap& a) {
  auto jpeg = image::encodeJpeg(a, 0.4);
  return image::decodeMemory(*jpeg)->bitmap;
}

Bitmap brightened(const Bitmap& a) {
  Bitmap b = a;
  for (size_t i = 0; i < b.rgba.size(); ++i)
    if (i % 4 != 3)
      b.rgba[i] = static_cast<std::uint8_t>(std::min(255.0, b.rgba[i] * 1.25 + 20));
  return b;
}

Bitmap turned(const Bitmap& a) {
  cv::Mat in(a.height, a.width, CV_8UC4, const_cast<std::uint8_t*>(a.rgba.data())), out;
  cv::Mat turn = cv::getRotationMatrix2D({a.width / 2.0f, a.height / 2.0f}, 4.0, 1.0);
  cv::warpAffine(in, out, turn, in.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
  Bitmap b{a.width, a.height, {}};
  b.rgba.assign(out.data, out.data + out.total() * 4);
  return b;
}

Bitmap stickered(const Bitmap& a) {
  Bitmap b = a;
  double w = a.width * 0.25, h = a.height * 0.25;
  image::fillRect(b, {a.width - w * 1.1, a.height - h * 1.1, w, h}, {0.95, 0.8, 0.1, 1});
  image::fillRect(b, {a.width - w * 0.9, a.height - h * 0.9, w * 0.6, h * 0.6}, {0.8, 0.1, 0.2, 1});
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vell-bench-prints LIST OUT_DIR\n");
    return 2;
  }
  std::filesystem::path out = argv[2];
  std::filesystem::create_directories(out);
  std::ifstream list(argv[1]);
  const std::vector<std::pair<std::string, std::function<Bitmap(const Bitmap&)>>> edits = {
      {"original", [](const Bitmap& a) { return a; }},
      {"half", half},
      {"crop80", cropped},
      {"jpeg40", recompressed},
      {"brighter", brightened},
      {"turned4", turned},
      {"sticker", stickered},
  };
  for (std::string line; std::getline(list, line);) {
    auto tab = line.find('\t');
    if (tab == std::string::npos)
      continue;
    std::string key = line.substr(0, tab), path = line.substr(tab + 1);
    auto photo = vell::place::load(path, 1024);
    if (!photo) {
      std::fprintf(stderr, "bench: %s does not load\n", path.c_str());
      return 1;
    }
    for (const auto& [name, edit] : edits) {
      Bitmap copy = edit(*photo);
      auto seen = vell::platform::vision::runDetector(copy);
      if (!seen) {
        std::fprintf(stderr, "bench: %s\n", seen.error().text.c_str());
        return 1;
      }
      auto file = out / (key + "." + name + ".png");
      auto png = image::encodePng(copy);
      std::ofstream(file, std::ios::binary)
          .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
      auto print = vell::place::quantise(seen->featurePrint);
      nlohmann::json row{{"key", key}, {"edit", name}, {"file", file.string()},
                         {"print", std::vector<int>(print.begin(), print.end())}};
      std::cout << row.dump() << '\n' << std::flush;
    }
  }
  return 0;
}
