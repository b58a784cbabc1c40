#pragma once

#include <cstdint>
#include <vector>

#include "cover/box.hpp"

namespace vell::cover {

// The attention heat map turned into weights: each cell's share of the peak,
// squared, with cells below 18 % of the peak weighing nothing.
class Heat {
 public:
  // `heat` holds `hw` x `hh` non-negative samples, row 0 at the top. An empty
  // map (or one of zeros) gives no weight at all.
  Heat(const std::vector<float>& heat, std::int64_t hw, std::int64_t hh);
  Heat() : Heat({}, 0, 0) {}

  std::int64_t hw() const { return hw_; }
  std::int64_t hh() const { return hh_; }
  float hmax() const { return hmax_; }
  const std::vector<double>& w2() const { return w2_; }
  double weight(std::int64_t row, std::int64_t column) const {
    return w2_[static_cast<size_t>(row * hw_ + column)];
  }
  double total() const { return total_; }
  double hcx() const { return hcx_; }
  double hcy() const { return hcy_; }

  // The share of the total weight whose cell centres lie in `b` (a box in
  // image units; its edges count as inside). 1 when there is no weight.
  double mass(const Box& b) const;

  // The cell range [first, last) that a span from `start` to `end` (image
  // units) can touch on an axis of `cells` cells; empty for NaN.
  struct Range {
    std::int64_t first = 0;
    std::int64_t last = 0;
  };
  static Range cellRange(double start, double end, std::int64_t cells);

 private:
  std::int64_t hw_ = 0;
  std::int64_t hh_ = 0;
  float hmax_ = 0;
  std::vector<double> w2_;
  double total_ = 0;
  double hcx_ = 0.5;
  double hcy_ = 0.5;
};

}  // namespace vell::cover
