#include "platform/vision/objectness.hpp"

#include "platform/vision/detector.hpp"

namespace vell::platform::vision {

Result<std::vector<RectObservation>> objectnessSaliency(const Bitmap& picture) {
  auto observations = runDetector(picture);
  if (!observations)
    return observations.error();
  return std::move(observations->objects);
}

}  // namespace vell::platform::vision
