// Time of every vision request on one picture shrunk to 1024 pixels on its
// long side, and of the placement analyser's main batch (detector, faces,
// text rectangles, attention, aesthetics) run back to back on one thread.
//
//   vell-bench-vision PICTURE [RUNS]   (models from <bindir>/../share)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "platform/image/image.hpp"
#include "platform/vision/aesthetics.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"
#include "platform/vision/foreground.hpp"
#include "platform/vision/objectness.hpp"
#include "platform/vision/text.hpp"

namespace {

namespace vision = vell::platform::vision;
using vell::platform::Bitmap;

using vell::bench::Timing;

// Medians of `runs` calls after one untimed call that loads the models; a
// call that fails ends the benchmark, since its time would mean nothing.
Timing measure(const char* what, int runs, const std::function<bool()>& call) {
  if (!call()) {
    std::fprintf(stderr, "bench: %s failed\n", what);
    std::exit(1);
  }
  const Timing timing = vell::bench::medianTiming(runs, [&] { call(); });
  std::printf("  %-34s wall %7.1f ms   cpu %7.1f ms\n", what, timing.wallMs, timing.cpuMs);
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vell-bench-vision PICTURE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  auto picture = vell::platform::thumbnail(argv[1], 1024);
  if (!picture) {
    std::fprintf(stderr, "bench: %s: %s\n", argv[1], picture.error().text.c_str());
    return 1;
  }
  const Bitmap& image = *picture;
  std::printf("%s at %d x %d, median of %d runs:\n", argv[1], image.width, image.height, runs);

  std::vector<vision::TextRegion> lines;
  auto texts = [&] {
    auto found = vision::detectTextRegions(image);
    if (found)
      lines = *found;
    return static_cast<bool>(found);
  };
  const vision::TextRecognitionOptions reading{
      .minimumTextHeight = 0.018f, .accurate = true, .languageCorrection = true};

  const Timing detector = measure("detector (labels, humans, animals)", runs,
                                  [&] { return static_cast<bool>(vision::runDetector(image)); });
  measure("objectness saliency", runs,
          [&] { return static_cast<bool>(vision::objectnessSaliency(image)); });
  const Timing faces =
      measure("faces", runs, [&] { return static_cast<bool>(vision::detectFaces(image)); });
  const Timing text = measure("text rectangles", runs, texts);
  const Timing attention = measure("attention saliency", runs, [&] {
    return static_cast<bool>(vision::attentionSaliency(image));
  });
  double coverage = 0;
  for (const auto& line : lines)
    coverage += line.box.w * line.box.h;
  // The analyser hands over the text coverage it has; alone, the request
  // finds the text itself.
  const Timing aesthetics = measure("aesthetics (given text coverage)", runs, [&] {
    return static_cast<bool>(vision::aestheticsScores(image, std::min(coverage, 1.0)));
  });
  measure("aesthetics (alone)", runs,
          [&] { return static_cast<bool>(vision::aestheticsScores(image)); });
  measure("text recognition (found lines)", runs,
          [&] { return static_cast<bool>(vision::recognizeText(image, lines, reading)); });
  measure("foreground instance mask", runs,
          [&] { return static_cast<bool>(vision::foregroundInstances(image)); });

  const double sumCpu =
      detector.cpuMs + faces.cpuMs + text.cpuMs + attention.cpuMs + aesthetics.cpuMs;
  const double sumWall =
      detector.wallMs + faces.wallMs + text.wallMs + attention.wallMs + aesthetics.wallMs;
  std::printf("  %-34s wall %7.1f ms   cpu %7.1f ms   (target: under 600 ms)\n",
              "main batch (sum of its requests)", sumWall, sumCpu);
  return 0;
}
