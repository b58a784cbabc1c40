#include "calendar/iso8601.hpp"

#include <gtest/gtest.h>

namespace vell::calendar {
namespace {

TEST(Iso8601, UtcWithWholeSeconds) {
  const std::vector<std::pair<std::int64_t, std::string>> cases = {
      {0, "1970-01-01T00:00:00Z"},
      {1772357400, "2026-03-01T09:30:00Z"},
      {-1, "1969-12-31T23:59:59Z"},
      {951782400, "2000-02-29T00:00:00Z"},
      {4107542399, "2100-02-28T23:59:59Z"},
      {-62135596800, "0001-01-01T00:00:00Z"},
      {253402300799, "9999-12-31T23:59:59Z"},
  };
  for (const auto& [seconds, text] : cases)
    EXPECT_EQ(iso8601(seconds), text) << seconds;
}

}  // namespace
}  // namespace vell::calendar
