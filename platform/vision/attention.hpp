#pragma once

// Attention saliency: where in a picture a viewer's eye goes first, as a
// heat map over the whole picture and boxes around its hot parts.
//
// Safe to call from several threads at once. Nothing here throws, exits or
// prints.

#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

struct AttentionObservation {
  // The heat map: `width` x `height` cells stretched over the whole
  // picture, entry r * width + c for row r (row 0 at the top) and column c;
  // every value >= 0, the hottest cell 1.
  int width = 0;
  int height = 0;
  std::vector<float> heat;
  // Boxes around the separate hot parts of the map, the hottest first;
  // lower-left origin, normalised to the picture.
  std::vector<NormalizedRect> salientObjects;
};

// The attention heat map and salient regions of `picture` (transparent
// parts count as mid grey): a mix of local contrast (spectral residual),
// colour distinctness from the picture's borders and faces, weighted
// towards the middle. Fails for an empty picture.
Result<AttentionObservation> attentionSaliency(const Bitmap& picture);

// The same with the picture's `faces` already found (by detectFaces), for a
// caller that runs face detection anyway: the face detector is most of the
// cost of the request.
Result<AttentionObservation> attentionSaliency(const Bitmap& picture,
                                               const std::vector<RectObservation>& faces);

}  // namespace vell::platform::vision
