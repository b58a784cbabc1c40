#include "common/numbers.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace vell {

TEST(ParseDouble, ReadsWholeTextAsStrtodDoes) {
  struct Case {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"1", 1.0},
      {"-2.5", -2.5},
      {"+0.25", 0.25},
      {"1e3", 1000.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"0x10", 16.0},
      {"", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"\t1", std::nullopt},
      {"1,5", std::nullopt},
      {"abc", std::nullopt},
      {"1e", std::nullopt},
      {"--1", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseDouble(c.text), c.value) << c.text;
  EXPECT_TRUE(std::isinf(*parseDouble("inf")));
  EXPECT_TRUE(std::isnan(*parseDouble("nan")));
}

TEST(ParseDouble, IgnoresTheProcessLocale) {
  // A decimal comma locale must not change what reads.
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(parseDouble("1.5"), 1.5);
  EXPECT_EQ(parseDouble("1,5"), std::nullopt);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(ParseInt64, SignAndDigitsWithin64Bits) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  } cases[] = {
      {"0", 0},
      {"+7", 7},
      {"-7", -7},
      {"007", 7},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1.0", std::nullopt},
      {"1e3", std::nullopt},
      {"+-1", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseInt64(c.text), c.value) << c.text;
}

}  // namespace vell
