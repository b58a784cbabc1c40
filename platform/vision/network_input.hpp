#pragma once

// Pictures as the networks' input tensors: bitmaps as OpenCV RGB images, and
// RGB images as scaled float tensors in either layout. Inline so that each
// request's code stands alone.

#include <array>
#include <cstdint>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/inference.hpp"

namespace vell::platform::vision {

// The bitmap as an 8-bit RGB image, flattened over black (the colour under
// transparent pixels is meaningless). An inconsistent bitmap is an Error.
inline Result<cv::Mat> rgbOverBlack(const Bitmap& bitmap) {
  if (bitmap.empty())
    return Error{"empty picture"};
  if (bitmap.rgba.size() != static_cast<size_t>(bitmap.width) * bitmap.height * 4)
    return Error{"picture buffer does not match its size"};
  cv::Mat rgb(bitmap.height, bitmap.width, CV_8UC3);
  for (int y = 0; y < bitmap.height; ++y) {
    const std::uint8_t* in = bitmap.pixel(0, y);
    std::uint8_t* out = rgb.ptr<std::uint8_t>(y);
    for (int x = 0; x < bitmap.width; ++x, in += 4, out += 3) {
      unsigned alpha = in[3];
      for (int c = 0; c < 3; ++c)
        out[c] = alpha == 255 ? in[c] : static_cast<std::uint8_t>((in[c] * alpha + 127) / 255);
    }
  }
  return rgb;
}

// `image` resized to `size`, averaging pixels when shrinking.
inline cv::Mat resized(const cv::Mat& image, cv::Size size) {
  cv::Mat out;
  bool shrinking = size.width < image.cols && size.height < image.rows;
  cv::resize(image, out, size, 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
  return out;
}

// Per channel: value = sample x scale + offset.
struct ChannelScaling {
  std::array<float, 3> scale{1, 1, 1};
  std::array<float, 3> offset{0, 0, 0};
};

// An 8-bit three-channel image as a [1, H, W, 3] tensor (channels last).
inline Tensor channelsLastTensor(const cv::Mat& image, const ChannelScaling& scaling) {
  Tensor tensor{{1, image.rows, image.cols, 3}, {}};
  tensor.values.resize(static_cast<size_t>(image.rows) * image.cols * 3);
  float* out = tensor.values.data();
  for (int y = 0; y < image.rows; ++y) {
    const std::uint8_t* in = image.ptr<std::uint8_t>(y);
    for (int x = 0; x < image.cols * 3; x += 3)
      for (int c = 0; c < 3; ++c)
        *out++ = in[x + c] * scaling.scale[c] + scaling.offset[c];
  }
  return tensor;
}

// An 8-bit three-channel image as a [1, 3, H, W] tensor (one plane a
// channel).
inline Tensor channelPlanesTensor(const cv::Mat& image, const ChannelScaling& scaling) {
  Tensor tensor{{1, 3, image.rows, image.cols}, {}};
  const size_t plane = static_cast<size_t>(image.rows) * image.cols;
  tensor.values.resize(plane * 3);
  float* planes[3] = {tensor.values.data(), tensor.values.data() + plane,
                      tensor.values.data() + 2 * plane};
  for (int y = 0; y < image.rows; ++y) {
    const std::uint8_t* in = image.ptr<std::uint8_t>(y);
    for (int x = 0; x < image.cols; ++x, in += 3)
      for (int c = 0; c < 3; ++c)
        *planes[c]++ = in[c] * scaling.scale[c] + scaling.offset[c];
  }
  return tensor;
}

}  // namespace vell::platform::vision
