#include "seal/selftest.hpp"

#include <gtest/gtest.h>

namespace vell::seal {

TEST(Selftest, PassesOnEveryRun) {
  for (int i = 0; i < 20; ++i)
    EXPECT_TRUE(selftest());
}

TEST(HexData, ReadsPairsInEitherCase) {
  EXPECT_EQ(hexData("00ff7fA0"), (platform::Bytes{0x00, 0xff, 0x7f, 0xa0}));
  EXPECT_EQ(hexData(""), platform::Bytes{});
}

}  // namespace vell::seal
