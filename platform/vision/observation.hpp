#pragma once

#include <string>
#include <vector>

namespace vell::platform::vision {

// A rectangle normalised to the picture, 0 to 1 across and up, with the
// origin at the lower-left corner, as vision observations report them.
struct NormalizedRect {
  double x = 0;  // left edge
  double y = 0;  // bottom edge
  double w = 0;
  double h = 0;
};

// A rectangle found by a detector, with its confidence in 0..1.
struct RectObservation {
  NormalizedRect box;
  float confidence = 0;
};

// A classification: identifier and confidence in 0..1.
struct Classification {
  std::string identifier;
  float confidence = 0;
};

// Converts a top-left pixel rectangle of a `width` x `height` picture into a
// normalised lower-left one.
inline NormalizedRect normalizedFromPixels(double left, double top, double right, double bottom,
                                           double width, double height) {
  return {left / width, 1.0 - bottom / height, (right - left) / width, (bottom - top) / height};
}

}  // namespace vell::platform::vision
