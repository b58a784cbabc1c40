#include "place/feature_print.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vell::place {
namespace {

TEST(FeaturePrint, QuantisesToTheFullByteRange) {
  const std::vector<float> example = {0.5f, -1.0f, 0.25f};
  EXPECT_EQ(quantise(example), (std::vector<std::int8_t>{64, -127, 32}));
  EXPECT_EQ(quantisedFeaturePrint(example), "QIEg");

  struct Case {
    std::vector<float> values;
    std::vector<std::int8_t> bytes;
  };
  const Case cases[] = {
      {{}, {}},
      {{0, 0}, {0, 0}},               // the floor keeps zeros at zero
      {{1e-7f, -1e-7f}, {13, -13}},   // below the floor: 1e-7/1e-6*127 = 12.7
      {{2, 1, -2}, {127, 64, -127}},  // 63.5 rounds away from zero
      {{-4, 1}, {-127, 32}},          // 31.75
      {{3, std::numeric_limits<float>::quiet_NaN()}, {127, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(quantise(c.values), c.bytes) << testing::PrintToString(c.values);
}

TEST(FeaturePrint, DoubleDataUsesItsOwnFloor) {
  EXPECT_EQ(quantise(std::vector<double>{0.5, -1.0, 0.25}),
            (std::vector<std::int8_t>{64, -127, 32}));
  EXPECT_EQ(quantise(std::vector<double>{1e-10, 0}), (std::vector<std::int8_t>{13, 0}));
}

TEST(Base64, Rfc4648Vectors) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {{"", ""},
                        {"f", "Zg=="},
                        {"fo", "Zm8="},
                        {"foo", "Zm9v"},
                        {"foob", "Zm9vYg=="},
                        {"fooba", "Zm9vYmE="},
                        {"foobar", "Zm9vYmFy"},
                        {"\xFB\xFF\xBF", "+/+/"}};
  for (const auto& c : cases)
    EXPECT_EQ(base64({reinterpret_cast<const std::uint8_t*>(c.in.data()), c.in.size()}), c.out)
        << c.in;
}

}  // namespace
}  // namespace vell::place
