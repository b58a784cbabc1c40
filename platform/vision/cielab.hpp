#pragma once

// sRGB to CIELAB (D65 white), the values OpenCV's float conversion gives
// (L 0..100, a and b about -127..127), computed without OpenCV: its first
// conversion in a process fills the tables of every depth at once, in
// software floating point, which takes longer than a whole analysis of a
// picture, and does so without a lock.

#include <opencv2/core.hpp>

namespace vell::platform::vision {

// `rgb`: red, green, blue in 0..1 (values outside are clamped).
cv::Mat3f cielabOf(const cv::Mat3f& rgb);

}  // namespace vell::platform::vision
