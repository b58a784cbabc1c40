#pragma once

#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// Regions holding an object of any kind, with the confidence (0..1) that an
// object is there, strongest first, at most 10. The objects of runDetector;
// call that instead when other observations of the same picture are needed.
Result<std::vector<RectObservation>> objectnessSaliency(const Bitmap& picture);

}  // namespace vell::platform::vision
