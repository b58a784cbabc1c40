#include "platform/vision/foreground.hpp"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "platform/vision/foreground_mask.hpp"
#include "platform/vision/network_input.hpp"

namespace vell::platform::vision {

namespace {

// ISNet (DIS) traced at 1024 x 1024 and set to a 512 x 512 input by the
// set-up script: a quarter of the work, and the mask is upsampled anyway.
constexpr const char* modelFile = "isnet-512.onnx";
constexpr int modelSide = 512;

// `rgba` (a picture or a part of one) stretched to the model's square
// input, RGB, with transparent parts over mid grey, as the network's
// (x - 128) / 256 planes.
Tensor inputTensor(const cv::Mat& rgba) {
  cv::Mat small;
  bool opaque = cv::checkRange(rgba.reshape(1).colRange(3, 4), true, nullptr, 255, 256);
  if (opaque) {
    cv::resize(rgba, small, {modelSide, modelSide}, 0, 0, cv::INTER_AREA);
  } else {
    // Composite before shrinking, so colours hidden under transparent
    // pixels never bleed into the picture the network sees.
    cv::Mat flat(rgba.size(), CV_8UC4);
    for (int y = 0; y < rgba.rows; ++y) {
      const auto* source = rgba.ptr<cv::Vec4b>(y);
      auto* target = flat.ptr<cv::Vec4b>(y);
      for (int x = 0; x < rgba.cols; ++x) {
        int a = source[x][3];
        for (int c = 0; c < 3; ++c)
          target[x][c] =
              static_cast<std::uint8_t>((source[x][c] * a + 128 * (255 - a) + 127) / 255);
        target[x][3] = 255;
      }
    }
    cv::resize(flat, small, {modelSide, modelSide}, 0, 0, cv::INTER_AREA);
  }
  cv::Mat rgb;
  cv::cvtColor(small, rgb, cv::COLOR_RGBA2RGB);
  constexpr float scale = 1.0f / 256.0f;
  constexpr float offset = -128.0f / 256.0f;
  return channelPlanesTensor(rgb, {{scale, scale, scale}, {offset, offset, offset}});
}

}  // namespace

Result<InstanceMask> foregroundInstances(const Bitmap& picture) {
  if (picture.empty() ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return Error{"foreground mask: empty picture"};
  // A cut-out runs the network twice; its thorough preparation alone
  // would take longer than both runs gain.
  auto net = loadNetwork(modelFile, Preparation::quick);
  if (!net)
    return Error{"foreground mask: " + net.error().text};
  const cv::Mat rgba(picture.height, picture.width, CV_8UC4,
                     const_cast<std::uint8_t*>(picture.rgba.data()));
  auto look = [&](const PixelBox& over) -> Result<ProbabilityGrid> {
    cv::Mat part =
        over.width > 0 ? rgba(cv::Rect(over.left, over.top, over.width, over.height)) : rgba;
    auto outs = (*net)->run(inputTensor(part), {"output"});
    if (!outs)
      return Error{"foreground mask: " + outs.error().text};
    Tensor& output = outs->front();
    if (output.values.size() != static_cast<size_t>(modelSide) * modelSide)
      return Error{"foreground mask: unexpected model output"};
    return ProbabilityGrid{modelSide, modelSide, std::move(output.values), over};
  };
  auto glance = look({});
  if (!glance)
    return glance.error();
  // A second look at the subjects alone, when they are a part of the
  // picture and the glance is unsure of them. Each look joins a different
  // bit of ground or clutter to the subject and misses different fine
  // parts; their mean drops what only one of them is sure of.
  auto box = subjectsBox(*glance, picture.width, picture.height);
  if (!box || unsureShare(*glance) < kCloserLookUnsureShare)
    return instancesFromProbability(*glance, picture.width, picture.height);
  auto closer = look(*box);
  if (!closer)
    return closer.error();
  InstanceMask mask = instancesFromProbability(
      meanOfLooks(*glance, *closer, picture.width, picture.height), picture.width, picture.height);
  // A subject seen at a glance is never lost altogether.
  if (mask.allInstances.empty())
    return instancesFromProbability(*glance, picture.width, picture.height);
  return mask;
}

}  // namespace vell::platform::vision
