#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/models.hpp"
#include "platform/vision/text.hpp"

namespace vell::platform::vision {

namespace {

constexpr const char* modelFile = "ppocr_v4_det.onnx";
constexpr int longestSide = 800;
constexpr float binaryThreshold = 0.3f;
constexpr double boxThreshold = 0.6;
constexpr double unclipRatio = 1.5;
constexpr int maxCandidates = 1000;
constexpr float minSide = 3;

// OpenCV 4.6 keeps the input size a net was first run with, so the net is
// rebuilt (from the bytes kept in memory) whenever the size changes.
struct Detector {
  std::vector<uchar> bytes;
  cv::dnn::Net net;
  cv::Size size;
};

Result<Detector*> threadDetector() {
  thread_local Detector detector;
  if (detector.bytes.empty()) {
    auto path = modelsFolder() / modelFile;
    std::ifstream in(path, std::ios::binary);
    if (!in)
      return Error{"text detection model missing: " + path.string()};
    detector.bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (detector.bytes.empty())
      return Error{"text detection model unreadable: " + path.string()};
  }
  return &detector;
}

// Sides in multiples of 32, the longest at most 800 (the cost grows faster
// than the pixels, and lines of the 1.8 % height that is read stay over ten
// pixels high); small pictures are not enlarged.
cv::Size inputSize(int width, int height) {
  double scale = std::min(1.0, double(longestSide) / std::max(width, height));
  auto side = [&](int length) {
    return std::max(32, int(std::lround(length * scale / 32.0)) * 32);
  };
  return {side(width), side(height)};
}

double boxScore(const cv::Mat& probability, const cv::RotatedRect& box) {
  cv::Point2f corners[4];
  box.points(corners);
  cv::Rect bounds = box.boundingRect() & cv::Rect(0, 0, probability.cols, probability.rows);
  if (bounds.empty())
    return 0;
  cv::Mat mask = cv::Mat::zeros(bounds.size(), CV_8U);
  std::vector<cv::Point> polygon;
  for (const auto& corner : corners)
    polygon.emplace_back(int(std::lround(corner.x)) - bounds.x,
                         int(std::lround(corner.y)) - bounds.y);
  cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, 1);
  return cv::mean(probability(bounds), mask)[0];
}

}  // namespace

std::vector<RectObservation> textBoxesFromProbability(const std::vector<float>& probability,
                                                      int mapWidth, int mapHeight, int width,
                                                      int height) {
  std::vector<RectObservation> boxes;
  if (mapWidth <= 0 || mapHeight <= 0 || probability.size() != size_t(mapWidth) * mapHeight)
    return boxes;
  cv::Mat map(mapHeight, mapWidth, CV_32F, const_cast<float*>(probability.data()));
  cv::Mat binary = map > binaryThreshold;
  std::vector<std::vector<cv::Point>> contours;
  cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  double scaleX = double(width) / mapWidth, scaleY = double(height) / mapHeight;
  int candidates = 0;
  for (const auto& contour : contours) {
    if (++candidates > maxCandidates)
      break;
    cv::RotatedRect box = cv::minAreaRect(contour);
    if (std::min(box.size.width, box.size.height) < minSide)
      continue;
    double score = boxScore(map, box);
    if (score < boxThreshold)
      continue;
    // Grow the box by the distance DB uses to undo its shrunk training
    // targets: area x ratio / perimeter on every side.
    double area = double(box.size.width) * box.size.height;
    double perimeter = 2.0 * (box.size.width + box.size.height);
    auto distance = float(area * unclipRatio / perimeter);
    box.size.width += 2 * distance;
    box.size.height += 2 * distance;
    if (std::min(box.size.width, box.size.height) < minSide + 2)
      continue;
    cv::Rect2f bounds = box.boundingRect2f();
    double left = std::clamp(bounds.x * scaleX, 0.0, double(width));
    double right = std::clamp((bounds.x + bounds.width) * scaleX, 0.0, double(width));
    double top = std::clamp(bounds.y * scaleY, 0.0, double(height));
    double bottom = std::clamp((bounds.y + bounds.height) * scaleY, 0.0, double(height));
    if (right <= left || bottom <= top)
      continue;
    boxes.push_back({normalizedFromPixels(left, top, right, bottom, width, height), float(score)});
  }
  // Reading order: top line first; boxes of one line (tops closer than half
  // the lower box's height) left to right.
  auto top = [](const RectObservation& o) { return 1.0 - o.box.y - o.box.h; };
  std::stable_sort(
      boxes.begin(), boxes.end(),
      [&](const RectObservation& a, const RectObservation& b) { return top(a) < top(b); });
  for (size_t i = 1; i < boxes.size(); ++i)
    for (size_t j = i; j > 0; --j) {
      const auto &a = boxes[j - 1], &b = boxes[j];
      bool sameLine = std::abs(top(a) - top(b)) < 0.5 * std::min(a.box.h, b.box.h);
      if (!sameLine || a.box.x <= b.box.x)
        break;
      std::swap(boxes[j - 1], boxes[j]);
    }
  return boxes;
}

Result<std::vector<RectObservation>> detectTextRectangles(const Bitmap& picture) {
  if (picture.empty())
    return Error{"text detection: empty picture"};
  auto detector = threadDetector();
  if (!detector)
    return detector.error();
  try {
    cv::Mat rgba(picture.height, picture.width, CV_8UC4, const_cast<uint8_t*>(picture.rgba.data()));
    cv::Mat bgr;
    cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
    cv::Size size = inputSize(picture.width, picture.height);
    Detector& d = **detector;
    if (d.net.empty() || d.size != size) {
      d.net = cv::dnn::readNetFromONNX(d.bytes);
      d.size = size;
    }
    cv::Mat blob = cv::dnn::blobFromImage(bgr, 1.0 / (255.0 * 0.226), size,
                                          cv::Scalar(123.7, 116.3, 103.5), false, false);
    d.net.setInput(blob);
    cv::Mat out = d.net.forward();
    if (out.dims != 4 || out.size[2] != size.height || out.size[3] != size.width)
      return Error{"text detection: unexpected output shape"};
    const float* values = out.ptr<float>();
    std::vector<float> probability(values, values + size_t(size.width) * size.height);
    return textBoxesFromProbability(probability, size.width, size.height, picture.width,
                                    picture.height);
  } catch (const cv::Exception& error) {
    (*detector)->net = cv::dnn::Net();
    return Error{std::string("text detection: ") + error.what()};
  }
}

}  // namespace vell::platform::vision
