#include "platform/vision/detector.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "platform/vision/centernet_decoding.hpp"
#include "platform/vision/models.hpp"
#include "platform/vision/network_input.hpp"

namespace vell::platform::vision {

namespace {

// The TF.js graph converted by the set-up (scripts/models/tfjs_to_onnx.py):
// input [1, 512, 512, 3] RGB 0..255, outputs channels first.
constexpr const char* kModel = "centernet.onnx";
constexpr const char* kClassList = "centernet.classes.txt";
// Class heat, box distances and the backbone's last layer.
const std::vector<std::string> kOutputs{"tower_0/Sigmoid", "tower_0/mul",
                                        "tower_0/extern1/hard_swish/mul_1"};

Result<std::vector<std::string>> readClassNames(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in)
    return Error{"class list missing: " + path.string()};
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty())
      names.push_back(line);
  }
  if (names.size() != kCocoClasses)
    return Error{"class list does not hold " + std::to_string(kCocoClasses) +
                 " names: " + path.string()};
  return names;
}

// The class names, read once per process (per models folder).
Result<std::shared_ptr<const std::vector<std::string>>> classNames() {
  static std::mutex guard;
  static std::filesystem::path readFrom;
  static std::shared_ptr<const std::vector<std::string>> names;
  auto path = modelsFolder() / kClassList;
  std::lock_guard lock(guard);
  if (!names || readFrom != path) {
    auto read = readClassNames(path);
    if (!read)
      return read.error();
    names = std::make_shared<const std::vector<std::string>>(std::move(*read));
    readFrom = path;
  }
  return names;
}

}  // namespace

void prepareDetector() {
  (void)loadNetwork(kModel);
}

namespace {

Result<DetectorObservations> detect(const cv::Mat& input, float labelFloor) {
  auto net = loadNetwork(kModel);
  if (!net)
    return net.error();
  auto names = classNames();
  if (!names)
    return names.error();
  auto outs = (*net)->run(channelsLastTensor(input, {}), kOutputs);
  if (!outs)
    return Error{"object detection failed: " + outs.error().text};
  auto& o = *outs;
  if (o.size() != kOutputs.size() ||
      o[0].values.size() != size_t{kCocoClasses} * kCenterNetGrid * kCenterNetGrid ||
      o[1].values.size() != size_t{4} * kCenterNetGrid * kCenterNetGrid || o[2].shape.size() != 4 ||
      o[2].shape[1] != kFeatureChannels)
    return Error{"detector model has unexpected outputs"};
  return decodeCenterNet({o[0].values, o[1].values, o[2].values}, **names, labelFloor);
}

// A box normalised to the canvas (lower-left origin) normalised to the
// picture at its centre, `share` of the canvas's side, instead; cut to it.
NormalizedRect toPicture(const NormalizedRect& box, double share) {
  double margin = (1 - share) / 2;
  double x0 = std::clamp((box.x - margin) / share, 0.0, 1.0);
  double x1 = std::clamp((box.x + box.w - margin) / share, 0.0, 1.0);
  double y0 = std::clamp((box.y - margin) / share, 0.0, 1.0);
  double y1 = std::clamp((box.y + box.h - margin) / share, 0.0, 1.0);
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

Result<DetectorObservations> runDetector(const Bitmap& picture) {
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  // The detector sees the picture stretched to its square input.
  return detect(resized(*rgb, {kCenterNetInput, kCenterNetInput}), kLabelFloor);
}

Result<DetectorObservations> runDetectorShrunk(const Bitmap& picture, double share,
                                               float labelFloor) {
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  share = std::clamp(share, 0.1, 1.0);
  int side = std::max(1, int(std::lround(kCenterNetInput * share)));
  int at = (kCenterNetInput - side) / 2;
  cv::Mat canvas(kCenterNetInput, kCenterNetInput, CV_8UC3, cv::Scalar::all(128));
  resized(*rgb, {side, side}).copyTo(canvas(cv::Rect(at, at, side, side)));
  auto seen = detect(canvas, labelFloor);
  if (!seen)
    return seen;
  double exact = double(side) / kCenterNetInput;
  for (auto& human : seen->humans)
    human.box = toPicture(human.box, exact);
  for (auto& animal : seen->animals)
    animal.box = toPicture(animal.box, exact);
  for (auto& object : seen->objects)
    object.box = toPicture(object.box, exact);
  return seen;
}

}  // namespace vell::platform::vision
