#include "cover/scene.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/detector.hpp"

namespace vell::cover {

void prepareObjectness() {
  platform::vision::prepareDetector();
}

void addObjectness(Scene& scene, const platform::Bitmap& working) {
  // A failed analysis is no failure of the run: it just sees nothing. One
  // pass of the detector gives the objects and which of them are living.
  if (auto seen = platform::vision::runDetector(working)) {
    addObjects(scene, seen->objects);
    scene.seen = platform::vision::seenObjects(*seen);
  }
}

}  // namespace vell::cover
