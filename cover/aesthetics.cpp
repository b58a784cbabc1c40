#include "cover/scene.hpp"
#include "platform/vision/aesthetics.hpp"
#include "platform/vision/text.hpp"

namespace vell::cover {

// The aesthetics discount the text the text detector finds.
void prepareAesthetics() {
  platform::vision::prepareTextDetection();
}

std::optional<Aesthetics> scoreAesthetics(const platform::Bitmap& crop) {
  Result<platform::vision::AestheticsObservation> scores =
      platform::vision::aestheticsScores(scaledDown(crop, aestheticsSide));
  if (!scores)
    return std::nullopt;
  return Aesthetics{scores->overallScore, scores->isUtility};
}

}  // namespace vell::cover
