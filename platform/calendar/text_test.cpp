#include "platform/calendar/text.hpp"

#include <gtest/gtest.h>

#include "platform/calendar/item.hpp"

namespace vell::calendar_text {
namespace {

TEST(CalendarText, SummariesAsWritten) {
  const std::string text =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:  two blanks  \r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:x\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nsummary;LANGUAGE=\"en:gb\":folded\r\n  line\\, with\\nescapes\r\n"
      "BEGIN:VALARM\r\nSUMMARY:alarm\r\nEND:VALARM\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nSUMMARY:\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  const std::vector<std::optional<std::string>> expected = {"  two blanks  ", std::nullopt,
                                                            "folded line\\, with\\nescapes", ""};
  EXPECT_EQ(summaries(text), expected);
}

TEST(CalendarText, ExactSummaryKeepsBlanksOnlyWhenTheValuesAgree) {
  struct Case {
    std::optional<std::string> parsed;
    std::optional<std::string> written;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"Lunch", " Lunch ", " Lunch "},  {std::nullopt, "   ", "   "},
      {std::nullopt, "", ""},           {"a,b\nc", "a\\,b\\nc", "a,b\nc"},
      {"Lunch", "Dinner", "Lunch"},     {std::nullopt, std::nullopt, std::nullopt},
      {"Lunch", std::nullopt, "Lunch"}, {std::nullopt, "text", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(exactSummary(c.parsed, c.written), c.expected) << c.written.value_or("(none)");
}

TEST(CalendarText, ParsedItemsKeepBlanksAndEmptyTitles) {
  const std::string text =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART:20260301T000000Z\r\nSUMMARY:   "
      "\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:20260301T000000Z\r\nSUMMARY:\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:c\r\nDTSTART:20260301T000000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  auto item = calendar_item::parseItem(text);
  ASSERT_EQ(item->events.size(), 3u);
  EXPECT_EQ(item->events[0].summary, "   ");
  EXPECT_EQ(item->events[1].summary, "");
  EXPECT_EQ(item->events[2].summary, std::nullopt);
}

}  // namespace
}  // namespace vell::calendar_text
