#include "cover/scene.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/faces.hpp"

namespace vell::cover {

// The attention finds the faces itself.
void prepareAttention() {
  platform::vision::prepareFaceDetection();
}

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
