// Time per request of the face and object detectors on one picture scaled to
// 1024 pixels on its long side, beside OpenCV's classic detectors on the same
// pixels: a Haar cascade for faces, the HOG people detector for humans.
//
//   vell-bench-vision-detection PICTURE [RUNS]   (models from <bindir>/../share)

#include <algorithm>
#include <cstdio>
#include <functional>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"

namespace {

using vell::platform::Bitmap;
namespace vision = vell::platform::vision;

struct Timing : vell::bench::Timing {
  size_t found = 0;
};

// Medians of `runs` timed calls, after one untimed call that loads what the
// request needs.
Timing measure(int runs, const std::function<size_t()>& call) {
  Timing timing;
  timing.found = call();
  static_cast<vell::bench::Timing&>(timing) = vell::bench::medianTiming(runs, [&] { call(); });
  return timing;
}

void report(const char* what, const Timing& ours, const char* peer, const Timing& theirs) {
  std::printf(
      "%-21s wall %7.1f ms cpu %7.1f ms (%zu found) | %-18s wall %7.1f ms cpu %7.1f ms (%zu found) "
      "| cpu ratio %.2f\n",
      what, ours.wallMs, ours.cpuMs, ours.found, peer, theirs.wallMs, theirs.cpuMs, theirs.found,
      ours.cpuMs / theirs.cpuMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vell-bench-vision-detection PICTURE [RUNS]\n");
    return 2;
  }
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  cv::Mat bgr = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (bgr.empty()) {
    std::fprintf(stderr, "bench: cannot read %s\n", argv[1]);
    return 1;
  }
  double scale = 1024.0 / std::max(bgr.cols, bgr.rows);
  cv::resize(bgr, bgr, {}, scale, scale, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
  cv::Mat rgba, grey;
  cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  Bitmap picture{rgba.cols, rgba.rows, std::vector<std::uint8_t>(rgba.datastart, rgba.dataend)};
  std::printf("%s at %d x %d, median of %d runs\n", argv[1], picture.width, picture.height, runs);

  cv::CascadeClassifier cascade(
      "/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml");
  cv::HOGDescriptor hog;
  hog.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
  if (cascade.empty()) {
    std::fprintf(stderr, "bench: the Haar cascade of opencv-data is missing\n");
    return 1;
  }

  Timing faces = measure(runs, [&] {
    auto found = vision::detectFaces(picture);
    return found ? found->size() : 0;
  });
  Timing detector = measure(runs, [&] {
    auto found = vision::runDetector(picture);
    return found ? found->humans.size() : 0;
  });
  Timing haar = measure(runs, [&] {
    std::vector<cv::Rect> found;
    cascade.detectMultiScale(grey, found);
    return found.size();
  });
  Timing hogPeople = measure(runs, [&] {
    std::vector<cv::Rect> found;
    hog.detectMultiScale(grey, found);
    return found.size();
  });
  report("faces (BlazeFace)", faces, "Haar cascade faces", haar);
  report("detector (CenterNet)", detector, "HOG people", hogPeople);
  return 0;
}
