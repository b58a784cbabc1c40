#pragma once

// How well a crop keeps a marked subject, and how well a cut-out matches the
// shape that was laid: the pure measures of the subjects benchmark.

#include <optional>
#include <utility>
#include <vector>

#include "platform/image/bitmap.hpp"

namespace vell::bench {

// A box in units of the picture (0..1), top-left origin.
struct UnitBox {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
};

// The share of `subject`'s area that lies inside `crop` (0 for an empty
// subject).
double keptShare(const UnitBox& crop, const UnitBox& subject);

// The largest crop of `aspect` (width / height) inside a `width` x `height`
// picture, in picture units, centred.
UnitBox fullFitCentred(int width, int height, double aspect);

// The most of `subject` that a full-fit crop of `aspect` can hold wherever
// it is placed: 1 when the subject fits, less when it is wider or taller
// than the crop.
double attainableShare(int width, int height, double aspect, const UnitBox& subject);

// Counts as keeping the subject: at least `share` of what a crop of that
// shape can hold at most.
bool keeps(const UnitBox& crop, const UnitBox& subject, double attainable, double share = 0.8);

// Where the cut-out `cut` (cropped, straight alpha) was taken from the opaque
// `picture`: the offset at which every opaque pixel of `cut` shows the
// picture's own colour. Nothing when no offset does, or `cut` has no opaque
// pixel.
std::optional<std::pair<int, int>> locateCut(const platform::Bitmap& cut,
                                             const platform::Bitmap& picture);

// Intersection over union of the cut-out's alpha >= 128, placed at
// (`left`, `top`), with `truth` (one flag per pixel of a `width` x `height`
// picture).
double cutIoU(const platform::Bitmap& cut, int left, int top, const std::vector<bool>& truth,
              int width, int height);

}  // namespace vell::bench
