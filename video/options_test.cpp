#include "video/options.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::video {
namespace {

using Args = std::vector<std::string>;

TEST(VideoOptions, RemovesTheFirstOptionWithItsValue) {
  struct Case {
    Args args;
    std::string name;
    std::optional<std::string> value;
    Args left;
  };
  const Case cases[] = {
      {{"ID", "OUT", "--dur", "5"}, "--dur", "5", {"ID", "OUT"}},
      {{"--dur", "5", "ID", "OUT"}, "--dur", "5", {"ID", "OUT"}},
      {{"ID", "--dur", "5", "OUT"}, "--dur", "5", {"ID", "OUT"}},
      {{"ID", "OUT", "--dur"}, "--dur", std::nullopt, {"ID", "OUT", "--dur"}},  // no value
      {{"--dur", "--size", "ID"}, "--dur", "--size", {"ID"}},  // any successor is the value
      {{"--dur", "1", "--dur", "2", "ID"}, "--dur", "1", {"--dur", "2", "ID"}},  // first one only
      {{"ID", "OUT"}, "--dur", std::nullopt, {"ID", "OUT"}},
      {{}, "--dur", std::nullopt, {}},
      {{"--DUR", "5"}, "--dur", std::nullopt, {"--DUR", "5"}},
      {{"--dur=5", "ID"}, "--dur", std::nullopt, {"--dur=5", "ID"}},
  };
  for (const auto& c : cases) {
    Args args = c.args;
    EXPECT_EQ(opt(args, c.name), c.value);
    EXPECT_EQ(args, c.left);
  }
}

TEST(VideoOptions, ValuesThatDoNotReadGiveTheDefault) {
  struct Case {
    std::optional<std::string> value;
    double seconds;
  };
  const Case seconds[] = {
      {std::nullopt, 0}, {"3", 3},     {"2.5", 2.5},  {"-4", -4}, {"1e1", 10},
      {"abc", 0},        {" 3", 0},    {"\t3", 0},    {"3 ", 0},  {"", 0},
      {"3s", 0},         {"0x10", 16}, {"+1.5", 1.5},
  };
  for (const auto& c : seconds)
    EXPECT_EQ(secondsOr(c.value, 0), c.seconds) << c.value.value_or("(none)");
  EXPECT_TRUE(std::isinf(secondsOr("inf", 0)));

  struct SizeCase {
    std::optional<std::string> value;
    std::int64_t size;
  };
  const SizeCase sizes[] = {
      {std::nullopt, 1080},
      {"720", 720},
      {"+720", 720},
      {"-1", -1},
      {"big", 1080},
      {"", 1080},
      {"72.0", 1080},
      {" 720", 1080},
      {"1e3", 1080},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", 1080},
  };
  for (const auto& c : sizes)
    EXPECT_EQ(integerOr(c.value, 1080), c.size) << c.value.value_or("(none)");
}

}  // namespace
}  // namespace vell::video
