#include "cover/scene.hpp"

namespace vell::cover {

// Built when no objectness analysis is installed: no object regions.
void addObjectness(Scene&, const platform::Bitmap&) {}

void prepareObjectness() {}

}  // namespace vell::cover
