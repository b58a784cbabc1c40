#pragma once

// Helpers shared by the OpenCV dnn requests: per-thread networks loaded on
// first use, and bitmaps as OpenCV RGB images. Inline so that each request's
// library stands alone.

#include <filesystem>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <system_error>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/models.hpp"

namespace vell::platform::vision {

// One thread's copy of a network. A net is not safe to run from two threads
// at once, so every thread keeps its own (thread_local), loaded on first use
// and again when the models folder changes.
struct ThreadNet {
  std::filesystem::path path;
  cv::dnn::Net net;
};

// The net in `slot` for `file` in the models folder, loaded with `read` when
// needed. A missing or unreadable file is an Error, never an exception.
inline Result<cv::dnn::Net*> loadNet(ThreadNet& slot, const std::string& file,
                                     const std::function<cv::dnn::Net(const std::string&)>& read) {
  auto path = modelsFolder() / file;
  if (!slot.net.empty() && slot.path == path)
    return &slot.net;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    return Error{"model missing: " + path.string()};
  try {
    slot.net = read(path.string());
  } catch (const cv::Exception& e) {
    slot.net = cv::dnn::Net();
    return Error{"model unreadable: " + path.string() + ": " + e.msg};
  }
  if (slot.net.empty())
    return Error{"model unreadable: " + path.string()};
  slot.path = path;
  return &slot.net;
}

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

}  // namespace vell::platform::vision
