#include "encode/arguments.hpp"

#include <gtest/gtest.h>

namespace vell::encode {
namespace {

struct Case {
  std::vector<std::string> args;
  double total;
  std::int64_t W, H, rate;
};

TEST(ReadArguments, TooFewArgumentsGiveNothing) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"dir"}, {"dir", "out.mp4"}})
    EXPECT_FALSE(readArguments(args)) << args.size() << " arguments";
}

TEST(ReadArguments, ValuesAndTheirDefaults) {
  const Case cases[] = {
      {{"d", "o", "10"}, 10, 1080, 1920, 10000000},
      {{"d", "o", "1.99", "720", "1280", "4000000"}, 1.99, 720, 1280, 4000000},
      {{"d", "o", "abc"}, 22, 1080, 1920, 10000000},
      {{"d", "o", ""}, 22, 1080, 1920, 10000000},
      {{"d", "o", " 5"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "5 "}, 22, 1080, 1920, 10000000},
      {{"d", "o", "0x10"}, 16, 1080, 1920, 10000000},
      {{"d", "o", "1e1"}, 10, 1080, 1920, 10000000},
      {{"d", "o", "0"}, 0, 1080, 1920, 10000000},
      // No frame count can come of these: read as unreadable.
      {{"d", "o", "-1"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "inf"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "nan"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "1e300"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "86400"}, 86400, 1080, 1920, 10000000},
      {{"d", "o", "86400.5"}, 22, 1080, 1920, 10000000},
      {{"d", "o", "5", "abc"}, 5, 1080, 1920, 10000000},
      {{"d", "o", "5", "640.0", "+480", "1e6"}, 5, 1080, 480, 10000000},
      {{"d", "o", "5", "-2", "0", "-7"}, 5, -2, 0, -7},
      {{"d", "o", "5", "99999999999999999999"}, 5, 1080, 1920, 10000000},
      {{"d", "o", "5", "64", "48", "1000", "extra", "more"}, 5, 64, 48, 1000},
  };
  for (const auto& c : cases) {
    auto arguments = readArguments(c.args);
    ASSERT_TRUE(arguments);
    std::string context = c.args.size() > 2 ? c.args[2] : "";
    EXPECT_EQ(arguments->total, c.total) << context;
    EXPECT_EQ(arguments->W, c.W) << context;
    EXPECT_EQ(arguments->H, c.H) << context;
    EXPECT_EQ(arguments->rate, c.rate) << context;
  }
}

TEST(ReadArguments, PathsAreTakenAsGiven) {
  auto arguments = readArguments(std::vector<std::string>{"frames dir", "../out.mov", "1"});
  ASSERT_TRUE(arguments);
  EXPECT_EQ(arguments->dir, "frames dir");
  EXPECT_EQ(arguments->out, "../out.mov");
}

}  // namespace
}  // namespace vell::encode
