#include "common/r3.hpp"

#include <gtest/gtest.h>

namespace vell {

TEST(R3, RoundsHalvesAwayFromZero) {
  struct Case {
    double in, out;
  } cases[] = {{0.0, 0.0}, {0.0625, 0.063},    {-0.0625, -0.063}, {1.2344, 1.234},
               {2.5, 2.5}, {0.3333333, 0.333}, {-0.0004, -0.0},   {123456.7891, 123456.789}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(r3(c.in), c.out) << c.in;
}

}  // namespace vell
