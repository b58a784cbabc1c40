#include "platform/vision/objectness.hpp"

#include "cover/scene.hpp"

namespace vell::cover {

void addObjectness(Scene& scene, const platform::Bitmap& working) {
  // A failed analysis is no failure of the run: it just sees nothing.
  if (auto objects = platform::vision::objectnessSaliency(working))
    addObjects(scene, *objects);
}

}  // namespace vell::cover
