#include "cover/scene.hpp"

namespace vell::cover {

// Built when no attention analysis is installed: no heat map, no regions, so
// the crop falls back on the objects' absence and the image centre.
void addAttention(Scene&, const platform::Bitmap&) {}

void prepareAttention() {}

}  // namespace vell::cover
