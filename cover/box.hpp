#pragma once

#include "platform/vision/observation.hpp"

namespace vell::cover {

// A rectangle with a top-left origin: in units of the working image (0 to 1
// spans it) or in its pixels.
struct Box {
  double x = 0;  // left edge
  double y = 0;  // top edge
  double w = 0;
  double h = 0;

  double cx() const { return x + w * 0.5; }
  double cy() const { return y + h * 0.5; }
  double right() const { return x + w; }
  double bottom() const { return y + h; }

  // The smallest box holding both; the same whichever is the receiver.
  Box united(const Box& other) const {
    double left = x < other.x ? x : other.x;
    double top = y < other.y ? y : other.y;
    double r = right() > other.right() ? right() : other.right();
    double b = bottom() > other.bottom() ? bottom() : other.bottom();
    return {left, top, r - left, b - top};
  }

  bool operator==(const Box&) const = default;
};

// A vision rectangle (normalised, lower-left origin) as a top-left Box.
inline Box topLeft(const platform::vision::NormalizedRect& rect) {
  return {rect.x, 1.0 - (rect.y + rect.h), rect.w, rect.h};
}

}  // namespace vell::cover
