#include "platform/vision/aesthetics.hpp"

#include "cover/scene.hpp"

namespace vell::cover {

std::optional<Aesthetics> scoreAesthetics(const platform::Bitmap& crop) {
  Result<platform::vision::AestheticsObservation> scores =
      platform::vision::aestheticsScores(scaledDown(crop, aestheticsSide));
  if (!scores)
    return std::nullopt;
  return Aesthetics{scores->overallScore, scores->isUtility};
}

}  // namespace vell::cover
