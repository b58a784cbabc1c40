#include "common/json_numbers.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

namespace vell {
namespace {

TEST(BoundHugeNumbers, OnlyNumbersBeyondADoubleChange) {
  const std::string hugeInteger(100000, '9');
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"[1e999]", "[1.7976931348623157e308]"},
      {"[-1E+400, 2]", "[-1.7976931348623157e308, 2]"},
      {"{\"a\":" + hugeInteger + "}", "{\"a\":1.7976931348623157e308}"},
      // Small and ordinary numbers, strings that look like numbers, escapes.
      {"[1e-999, 0.5, -0, 12345678901234567890]", "[1e-999, 0.5, -0, 12345678901234567890]"},
      {"[\"1e999\", \"a\\\"1e999\"]", "[\"1e999\", \"a\\\"1e999\"]"},
      {"not json 1e999", "not json 1.7976931348623157e308"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(boundHugeNumbers(c.in), c.out) << c.in.substr(0, 40);
}

// What the parser refused before now reads, as the largest double.
TEST(BoundHugeNumbers, TheParserReadsWhatItRefused) {
  const std::string text = "[[\"a.png\", 1e999], [\"b.png\", 2]]";
  EXPECT_TRUE(nlohmann::json::parse(text, nullptr, false).is_discarded());
  const auto parsed = nlohmann::json::parse(boundHugeNumbers(text), nullptr, false);
  ASSERT_TRUE(parsed.is_array());
  EXPECT_EQ(parsed[0][1].get<double>(), std::numeric_limits<double>::max());
  EXPECT_EQ(parsed[1][1].get<double>(), 2);
}

}  // namespace
}  // namespace vell
