#include "platform/vision/attention.hpp"

#include "cover/scene.hpp"

namespace vell::cover {

void addAttention(Scene& scene, const platform::Bitmap& working) {
  auto observation = platform::vision::attentionSaliency(working);
  if (!observation)
    return;
  addHeatMap(scene, observation->width, observation->height, observation->heat);
  addAttentionRegions(scene, observation->salientObjects);
}

}  // namespace vell::cover
