#pragma once

// The steps of the foreground request after inference, apart so they can be
// tested on probability maps made by hand.

#include <vector>

#include "platform/vision/foreground.hpp"

namespace vell::platform::vision {

// A foreground probability (0..1) per cell of a grid stretched over the
// whole picture, row 0 at the top.
struct ProbabilityGrid {
  int width = 0;
  int height = 0;
  std::vector<float> values;
};

// The instance mask of a `width` x `height` picture whose foreground
// probability is `grid`: subjects are the 8-connected regions of cells at
// 0.5 or more, regions under 0.25 % of the grid are dropped, the rest are
// numbered by decreasing area (at most 255). The probability is upsampled
// smoothly to the picture's size and its ramp from 0.1 to 0.9 becomes the
// alpha, so edges stay soft and faint haze far from a subject counts as
// background.
InstanceMask instancesFromProbability(const ProbabilityGrid& grid, int width, int height);

}  // namespace vell::platform::vision
