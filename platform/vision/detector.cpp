#include "platform/vision/detector.hpp"

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

Result<DetectorObservations> runDetector(const Bitmap& picture) {
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  auto net = loadNetwork(kModel);
  if (!net)
    return net.error();
  auto names = classNames();
  if (!names)
    return names.error();
  // The detector sees the picture stretched to its square input.
  cv::Mat input = resized(*rgb, {kCenterNetInput, kCenterNetInput});
  auto outs = (*net)->run(channelsLastTensor(input, {}), kOutputs);
  if (!outs)
    return Error{"object detection failed: " + outs.error().text};
  auto& o = *outs;
  if (o.size() != kOutputs.size() ||
      o[0].values.size() != size_t{kCocoClasses} * kCenterNetGrid * kCenterNetGrid ||
      o[1].values.size() != size_t{4} * kCenterNetGrid * kCenterNetGrid || o[2].shape.size() != 4 ||
      o[2].shape[1] != kFeatureChannels)
    return Error{"detector model has unexpected outputs"};
  return decodeCenterNet({o[0].values, o[1].values, o[2].values}, **names);
}

}  // namespace vell::platform::vision
