#include "cover/heat.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vell::cover {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Heat, WeighsCellsAgainstThePeak) {
  struct Case {
    std::vector<float> heat;
    std::vector<double> w2;
    double total;
  } cases[] = {
      {{0.1f, 0.5f, 1.0f}, {0, 0.25, 1.0}, 1.25},
      // 17 % of the peak weighs nothing, 20 % weighs 0.04.
      {{0.17f, 0.2f, 1.0f}, {0, 0.2f * 0.2f, 1.0}, 0.2f * 0.2f + 1.0},
      // A negative sample counts as 0 and does not lower the peak; nor does NaN.
      {{-5.0f, 2.0f, std::nanf("")}, {0, 1.0, 0}, 1.0},
      {{0, 0, 0}, {0, 0, 0}, 0},
      // Below the 1e-6 floor the peak is the floor, so tiny maps weigh little.
      {{1e-7f, 0, 0}, {0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    Heat heat(c.heat, 3, 1);
    ASSERT_EQ(heat.w2().size(), c.w2.size());
    for (size_t i = 0; i < c.w2.size(); ++i)
      EXPECT_NEAR(heat.w2()[i], c.w2[i], 1e-7) << i;
    EXPECT_NEAR(heat.total(), c.total, 1e-7);
  }
}

TEST(Heat, CentroidOfThreeCellRow) {
  Heat heat({0.1f, 0.5f, 1.0f}, 3, 1);
  EXPECT_DOUBLE_EQ(heat.hcx(), (1.5 * 0.25 / 3 + 2.5 * 1.0 / 3) / 1.25);
  EXPECT_NEAR(heat.hcx(), 0.7667, 1e-4);
  EXPECT_DOUBLE_EQ(heat.hcy(), 0.5);
}

TEST(Heat, CentroidOfTwoDimensionalMap) {
  // Peak at row 1, column 0 of a 2 x 2 map; a lighter cell at row 0, column 1.
  Heat heat({0, 0.5f, 1.0f, 0}, 2, 2);
  EXPECT_DOUBLE_EQ(heat.total(), 1.25);
  EXPECT_DOUBLE_EQ(heat.hcx(), (0.25 * 1.0 + 0.75 * 0.25) / 1.25);
  EXPECT_DOUBLE_EQ(heat.hcy(), (0.75 * 1.0 + 0.25 * 0.25) / 1.25);
}

TEST(Heat, NoHeatMeansCentreAndFullMass) {
  for (const Heat& heat : {Heat(), Heat({0, 0, 0, 0}, 2, 2), Heat({1, 2, 3}, 2, 2)}) {
    EXPECT_EQ(heat.total(), 0);
    EXPECT_EQ(heat.hcx(), 0.5);
    EXPECT_EQ(heat.hcy(), 0.5);
    EXPECT_EQ(heat.mass({0.9, 0.9, 0.01, 0.01}), 1.0);
    EXPECT_EQ(heat.mass({nan, nan, nan, nan}), 1.0);
  }
}

TEST(Heat, MassCountsCellCentresInsideInclusively) {
  // 4 x 2 map; centres at x = 0.125, 0.375, 0.625, 0.875 and y = 0.25, 0.75.
  Heat heat({1, 1, 1, 1, 1, 1, 1, 1}, 4, 2);
  struct Case {
    Box box;
    double mass;
  } cases[] = {
      {{0, 0, 1, 1}, 1.0},
      {{-5, -5, 10, 10}, 1.0},
      {{0, 0, 0.5, 1}, 0.5},
      {{0.125, 0.25, 0, 0}, 0.125},     // a point exactly on a centre
      {{0.125, 0.25, 0.25, 0.5}, 0.5},  // edges through four centres
      {{0.13, 0.26, 0.2, 0.2}, 0},      // no centre inside
      {{0.6, 0, 0.1, 1}, 0.25},
      {{0.5, 0.5, -0.2, 0.3}, 0},  // a reversed box holds nothing
      {{nan, 0, 1, 1}, 0},
      {{0, 0, inf, inf}, 1.0},
      {{-inf, 0, inf, 1}, 0},  // -inf + inf is NaN: nothing
      {{1.5, 0, 1, 1}, 0},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(heat.mass(c.box), c.mass)
        << c.box.x << "," << c.box.y << "," << c.box.w << "," << c.box.h;
}

TEST(Heat, MassWeighsCells) {
  Heat heat({0.1f, 0.5f, 1.0f}, 3, 1);
  EXPECT_NEAR(heat.mass({0, 0, 0.5, 1}), 0.2, 1e-15);  // the middle centre lies on the edge
  EXPECT_DOUBLE_EQ(heat.mass({0, 0, 0.49, 1}), 0);
  EXPECT_DOUBLE_EQ(heat.mass({0.5, 0, 0.5, 1}), 1.0);
  EXPECT_NEAR(heat.mass({0.3, 0, 0.4, 1}), 0.2, 1e-15);
}

TEST(Box, UnionAndTopLeft) {
  Box a{0.1, 0.2, 0.3, 0.4}, b{0.3, 0.1, 0.5, 0.2};
  Box both{0.1, 0.1, 0.8 - 0.1, 0.6 - 0.1};
  EXPECT_EQ(a.united(b), b.united(a));
  EXPECT_DOUBLE_EQ(a.united(b).x, both.x);
  EXPECT_DOUBLE_EQ(a.united(b).w, both.w);
  EXPECT_DOUBLE_EQ(a.united(b).h, both.h);
  Box self = a.united(a);  // the same box, up to rounding of right - left
  EXPECT_DOUBLE_EQ(self.w, a.w);
  EXPECT_DOUBLE_EQ(self.h, a.h);
  Box converted = topLeft({0.1, 0.2, 0.3, 0.4});
  EXPECT_DOUBLE_EQ(converted.x, 0.1);
  EXPECT_DOUBLE_EQ(converted.y, 0.4);
  EXPECT_DOUBLE_EQ(converted.w, 0.3);
  EXPECT_DOUBLE_EQ(converted.h, 0.4);
}

}  // namespace
}  // namespace vell::cover
