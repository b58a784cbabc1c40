#pragma once

// The steps of the foreground request after inference, apart so they can be
// tested on probability maps made by hand.

#include <optional>
#include <vector>

#include "platform/vision/foreground.hpp"

namespace vell::platform::vision {

// A rectangle of a picture, in pixels.
struct PixelBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelBox&) const = default;
};

// A foreground probability (0..1) per cell of a grid stretched over `over`
// (the whole picture when empty), row 0 at the top.
struct ProbabilityGrid {
  int width = 0;
  int height = 0;
  std::vector<float> values;
  PixelBox over{};
};

// Where a second, closer look at a `width` x `height` picture pays: the
// box holding every subject `grid` (stretched over the whole picture) finds,
// grown on each side by a tenth of its size and never beyond the picture.
// The network sees a subject a few times larger there, and less of the
// ground and clutter around it that it joined to the subject at a glance.
// Nothing when the grid finds no subject or the box is nearly the picture.
std::optional<PixelBox> subjectsBox(const ProbabilityGrid& grid, int width, int height);

// How unsure a look is of its subjects: its cells between 0.1 and 0.9 for
// each cell of 0.5 or more (0 when it finds nothing). A crisp subject on a
// plain ground gives a few hundredths, fur over a stream or a mantis in
// grass one or more.
double unsureShare(const ProbabilityGrid& grid);
// Below this share a closer look adds little: on the tuning composites of
// bench/subjects no cut-out below 0.23 lost more than 0.008 of its IoU
// without the second look, every one above 0.24 lost 0.013 to 0.14.
inline constexpr double kCloserLookUnsureShare = 0.23;

// The mean of two looks at a `width` x `height` picture, on the cells of
// `closer`: `glance` is stretched over the whole picture, `closer` over a
// part of it. `closer` itself when either grid does not fit.
ProbabilityGrid meanOfLooks(const ProbabilityGrid& glance, const ProbabilityGrid& closer, int width,
                            int height);

// The instance mask of a `width` x `height` picture whose foreground
// probability is `grid`: subjects are the 8-connected regions of cells at
// 0.5 or more, regions under 0.25 % of the picture are dropped, the rest are
// numbered by decreasing area (at most 255). The probability is upsampled
// smoothly over the part of the picture the grid covers and its ramp from
// 0.1 to 0.9 becomes the alpha, so edges stay soft and faint haze far from a
// subject counts as background; outside that part all is background. No
// subject when the grid's part does not lie within the picture.
InstanceMask instancesFromProbability(const ProbabilityGrid& grid, int width, int height);

// Puts the cut of `mask` (made for `picture`) where the picture has its
// edges. The network's grid is coarse beside a large photo, so its cut can
// lie a few pixels off and let background that touches the subject in.
// The alpha is refitted, over windows of a few grid cells, as a local
// linear function of the picture's colour (a guided filter), and the refit
// decides on which side of the cut each pixel lies; where it agrees with
// the network the network's soft ramp is kept, so soft edges stay soft.
// Pixels only join an instance they already lie near. Does nothing when
// `mask` was not made for a picture of this size or has no instance.
void refineAlongEdges(const Bitmap& picture, InstanceMask& mask);

}  // namespace vell::platform::vision
