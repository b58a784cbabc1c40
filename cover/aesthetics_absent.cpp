#include "cover/scene.hpp"

namespace vell::cover {

// Built when no aesthetics analysis is installed: the report then has no
// "aes" or "utility".
std::optional<Aesthetics> scoreAesthetics(const platform::Bitmap&) {
  return std::nullopt;
}

void prepareAesthetics() {}

}  // namespace vell::cover
