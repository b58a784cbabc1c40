#pragma once

// The pure steps of attention saliency, apart so they can be tested on
// maps made by hand.

#include <vector>

#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// A grid of non-negative values stretched over a whole picture, row 0 at
// the top.
struct HeatGrid {
  int width = 0;
  int height = 0;
  std::vector<float> values;
};

// Boxes around the hot parts of `heat`: the 8-connected regions of cells at
// or above `level` of the peak, each holding at least `minShare` of the
// heat of all such regions, as normalised lower-left rectangles with
// their hottest first (at most four). Empty for a map without heat.
std::vector<NormalizedRect> salientRegions(const HeatGrid& heat, float level = 0.5f,
                                           double minShare = 0.1);

// Adds the attention a face draws to `heat`: a Gaussian peak of `strength`
// on the face (`face` normalised, lower-left origin) and a broader one of
// half that over where the body would be, below it.
void addFace(HeatGrid& heat, const NormalizedRect& face, float strength);

}  // namespace vell::platform::vision
