#include "video/excerpt.hpp"

#include <algorithm>
#include <cmath>

namespace vell::video {

Preset presetFor(std::int64_t size) {
  return size > 1079 ? Preset::hd1920x1080 : Preset::hd1280x720;
}

Excerpt excerptFor(double start, double dur, double e) {
  double s = std::isnan(start) ? 0.0 : start;
  s = std::max(std::min(s, std::max(e - 0.5, 0.0)), 0.0);
  double L = std::min(std::max(e - s, 0.5), dur);
  return {s, L};
}

double reportedDuration(double dur, double e) {
  return dur > 0 ? std::min(e, dur) : e;
}

}  // namespace vell::video
