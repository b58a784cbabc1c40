#include "cover/heat.hpp"

#include <algorithm>
#include <cmath>

namespace vell::cover {

namespace {

constexpr float peakFloor = 1e-6f;
constexpr double weightThreshold = 0.18;

}  // namespace

Heat::Heat(const std::vector<float>& heat, std::int64_t hw, std::int64_t hh) {
  if (hw <= 0 || hh <= 0 || heat.size() != static_cast<size_t>(hw * hh))
    return;
  hw_ = hw;
  hh_ = hh;
  for (float v : heat)
    if (v > hmax_)
      hmax_ = v;
  // The floor is a float on purpose: the division then sees exactly the
  // value a 32-bit floor gives.
  const double peak = static_cast<double>(std::max(hmax_, peakFloor));
  w2_.reserve(heat.size());
  for (float v : heat) {
    double c = (v >= 0 ? static_cast<double>(v) : 0.0) / peak;
    w2_.push_back(c < weightThreshold ? 0.0 : c * c);
  }
  for (double w : w2_)
    total_ += w;
  if (total_ > 0) {
    double sx = 0, sy = 0;
    const auto columns = static_cast<double>(hw_), rows = static_cast<double>(hh_);
    for (std::int64_t r = 0; r < hh_; ++r)
      for (std::int64_t c = 0; c < hw_; ++c) {
        double w = weight(r, c);
        sx += (static_cast<double>(c) + 0.5) * w / columns;
        sy += w * (static_cast<double>(r) + 0.5) / rows;
      }
    hcx_ = sx / total_;
    hcy_ = sy / total_;
  }
}

Heat::Range Heat::cellRange(double start, double end, std::int64_t cells) {
  const auto n = static_cast<double>(cells);
  double first = std::floor(start * n);
  double last = std::ceil(end * n);
  // Clamp in double before converting: boxes may be huge or NaN.
  if (!(first > 0))
    first = 0;
  if (!(last < n))
    last = n;
  if (std::isnan(start) || std::isnan(end) || !(first < last))
    return {0, 0};
  return {static_cast<std::int64_t>(first), static_cast<std::int64_t>(last)};
}

double Heat::mass(const Box& b) const {
  if (!(total_ > 0))
    return 1.0;
  const Range columns = cellRange(b.x, b.x + b.w, hw_);
  const Range rows = cellRange(b.y, b.y + b.h, hh_);
  const double right = b.x + b.w, bottom = b.y + b.h;
  double sum = 0;
  for (std::int64_t r = rows.first; r < rows.last; ++r) {
    const double v = (static_cast<double>(r) + 0.5) / static_cast<double>(hh_);
    if (!(b.y <= v && v <= bottom))
      continue;
    for (std::int64_t c = columns.first; c < columns.last; ++c) {
      const double u = (static_cast<double>(c) + 0.5) / static_cast<double>(hw_);
      if (b.x <= u && u <= right)
        sum += weight(r, c);
    }
  }
  return sum / total_;
}

}  // namespace vell::cover
