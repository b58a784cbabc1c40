#include "platform/vision/foreground.hpp"

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "platform/vision/dnn_support.hpp"
#include "platform/vision/foreground_mask.hpp"
#include "platform/vision/large_net.hpp"

namespace vell::platform::vision {

namespace {

// ISNet (DIS) traced at 1024 x 1024 and set to a 512 x 512 input by the
// set-up script: a quarter of the work, and the mask is upsampled anyway.
constexpr const char* modelFile = "isnet-512.onnx";
constexpr int modelSide = 512;

Result<cv::dnn::Net*> segmentationNet() {
  thread_local ThreadNet slot;
  return loadNet(slot, modelFile, readLargeOnnxNet);
}

// The picture stretched to the model's square input, RGB, with transparent
// parts over mid grey, as the network's (x - 128) / 256 planes.
cv::Mat inputBlob(const Bitmap& picture) {
  cv::Mat rgba(picture.height, picture.width, CV_8UC4,
               const_cast<std::uint8_t*>(picture.rgba.data()));
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
  int dims[] = {1, 3, modelSide, modelSide};
  cv::Mat blob(4, dims, CV_32F);
  float* planes = blob.ptr<float>();
  const size_t plane = static_cast<size_t>(modelSide) * modelSide;
  for (int y = 0; y < modelSide; ++y) {
    const auto* row = small.ptr<cv::Vec4b>(y);
    for (int x = 0; x < modelSide; ++x) {
      size_t i = static_cast<size_t>(y) * modelSide + x;
      for (int c = 0; c < 3; ++c)
        planes[c * plane + i] = (row[x][c] - 128.0f) / 256.0f;
    }
  }
  return blob;
}

}  // namespace

Result<InstanceMask> foregroundInstances(const Bitmap& picture) {
  if (picture.empty() ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return Error{"foreground mask: empty picture"};
  auto net = segmentationNet();
  if (!net)
    return Error{"foreground mask: " + net.error().text};
  ProbabilityGrid grid;
  try {
    (*net)->setInput(inputBlob(picture));
    cv::Mat output = (*net)->forward("output");
    if (output.total() != static_cast<size_t>(modelSide) * modelSide || output.type() != CV_32F)
      return Error{"foreground mask: unexpected model output"};
    grid.width = grid.height = modelSide;
    grid.values.assign(output.ptr<float>(), output.ptr<float>() + output.total());
  } catch (const cv::Exception& error) {
    return Error{std::string("foreground mask: ") + error.what()};
  }
  return instancesFromProbability(grid, picture.width, picture.height);
}

}  // namespace vell::platform::vision
