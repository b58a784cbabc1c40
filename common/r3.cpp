#include "common/r3.hpp"

#include <cmath>

namespace vell {

double r3(double x) {
  return std::round(x * 1000.0) / 1000.0;
}

}  // namespace vell
