#include "platform/vision/detector.hpp"

#include <fstream>

#include "platform/vision/centernet_decoding.hpp"
#include "platform/vision/dnn_support.hpp"

namespace vell::platform::vision {

namespace {

constexpr const char* kModel = "centernet.pb";
constexpr const char* kClassList = "centernet.classes.txt";
// Class heat, box distances and the backbone's last layer.
const std::vector<std::string> kOutputs{"tower_0/Sigmoid", "tower_0/mul",
                                        "tower_0/extern1/hard_swish/mul_1"};

cv::dnn::Net readGraph(const std::string& path) {
  return cv::dnn::readNetFromTensorflow(path);
}

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

struct ThreadDetector {
  ThreadNet net;
  std::filesystem::path classPath;
  std::vector<std::string> classNames;
};

std::span<const float> span(const cv::Mat& m) {
  return {m.ptr<float>(), m.total()};
}

}  // namespace

Result<DetectorObservations> runDetector(const Bitmap& picture) {
  thread_local ThreadDetector detector;
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  auto net = loadNet(detector.net, kModel, readGraph);
  if (!net)
    return net.error();
  auto classPath = modelsFolder() / kClassList;
  if (detector.classPath != classPath) {
    auto names = readClassNames(classPath);
    if (!names)
      return names.error();
    detector.classNames = std::move(*names);
    detector.classPath = classPath;
  }
  std::vector<cv::Mat> outs;
  try {
    // The detector sees the picture stretched to its square input, RGB 0..255.
    cv::Mat input = resized(*rgb, {kCenterNetInput, kCenterNetInput});
    (*net)->setInput(cv::dnn::blobFromImage(input, 1.0, {}, {}, false, false));
    (*net)->forward(outs, kOutputs);
  } catch (const cv::Exception& e) {
    return Error{std::string("object detection failed: ") + e.msg};
  }
  if (outs.size() != kOutputs.size() ||
      outs[0].total() != size_t{kCocoClasses} * kCenterNetGrid * kCenterNetGrid)
    return Error{"detector model has unexpected outputs"};
  return decodeCenterNet({span(outs[0]), span(outs[1]), span(outs[2])}, detector.classNames);
}

}  // namespace vell::platform::vision
