// Time per request of the face and object detectors on one picture scaled to
// 1024 pixels on its long side, beside OpenCV's classic detectors on the same
// pixels: a Haar cascade for faces, the HOG people detector for humans.
//
//   vell-bench-vision-detection PICTURE [RUNS]   (models from <bindir>/../share)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <string>
#include <vector>

#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"

namespace {

using vell::platform::Bitmap;
namespace vision = vell::platform::vision;

// The median of `runs` timed calls (ms), after one untimed call that loads
// what the request needs.
double medianMs(int runs, const std::function<size_t()>& call, size_t& found) {
  found = call();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    call();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void report(const char* what, double ms, size_t found, const char* peer, double peerMs, size_t peerFound) {
  std::printf("%-22s %8.1f ms  (%zu found)   %-24s %8.1f ms  (%zu found)   ratio %.2f\n", what, ms, found, peer,
              peerMs, peerFound, ms / peerMs);
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

  cv::CascadeClassifier cascade("/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml");
  cv::HOGDescriptor hog;
  hog.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
  if (cascade.empty()) {
    std::fprintf(stderr, "bench: the Haar cascade of opencv-data is missing\n");
    return 1;
  }

  size_t faces = 0, people = 0, cascadeFaces = 0, hogPeople = 0;
  double facesMs = medianMs(runs, [&] {
    auto found = vision::detectFaces(picture);
    return found ? found->size() : 0;
  }, faces);
  double detectorMs = medianMs(runs, [&] {
    auto found = vision::runDetector(picture);
    return found ? found->humans.size() : 0;
  }, people);
  double cascadeMs = medianMs(runs, [&] {
    std::vector<cv::Rect> found;
    cascade.detectMultiScale(grey, found);
    return found.size();
  }, cascadeFaces);
  double hogMs = medianMs(runs, [&] {
    std::vector<cv::Rect> found;
    hog.detectMultiScale(grey, found);
    return found.size();
  }, hogPeople);
  report("faces (BlazeFace x2)", facesMs, faces, "Haar cascade faces", cascadeMs, cascadeFaces);
  report("detector (CenterNet)", detectorMs, people, "HOG people", hogMs, hogPeople);
  return 0;
}
