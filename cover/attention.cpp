#include "platform/vision/attention.hpp"

#include "cover/scene.hpp"

namespace vell::cover {

void addAttention(Scene& scene, const platform::Bitmap& working) {
  platform::vision::AttentionHints hints;
  hints.objects = scene.seen;
  auto observation = platform::vision::attentionSaliency(working, hints);
  if (!observation)
    return;
  addHeatMap(scene, observation->width, observation->height, observation->heat);
  addAttentionRegions(scene, observation->salientObjects);
}

}  // namespace vell::cover
