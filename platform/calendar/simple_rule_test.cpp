#include "platform/calendar/simple_rule.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vell::calendar_rule {
namespace {

std::string dateText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

// libical's own walk, from DTSTART: the reference.
std::vector<std::string> libicalDates(const char* rule, const icaltimetype& start,
                                      std::int64_t fromDay, std::int64_t toDay) {
  std::vector<std::string> dates;
  icalrecur_iterator* iterator =
      icalrecur_iterator_new(icalrecurrencetype_from_string(rule), start);
  if (!iterator)
    return dates;
  for (int step = 0; step < 20000; ++step) {
    icaltimetype next = icalrecur_iterator_next(iterator);
    if (icaltime_is_null_time(next))
      break;
    const std::int64_t day = dayNumber(next.year, next.month, next.day);
    if (day >= toDay)
      break;
    if (day >= fromDay)
      dates.push_back(dateText(next.year, next.month, next.day));
  }
  icalrecur_iterator_free(iterator);
  return dates;
}

std::vector<std::string> simpleDates(const SimpleRule& rule, const icaltimetype& start,
                                     std::int64_t fromDay, std::int64_t toDay) {
  std::vector<std::string> dates;
  expand(rule, start, fromDay, [&](int year, int month, int day) {
    if (dayNumber(year, month, day) >= toDay)
      return false;
    dates.push_back(dateText(year, month, day));
    return true;
  });
  return dates;
}

TEST(CalendarSimpleRule, AgreesWithLibical) {
  const std::vector<const char*> rules = {
      "FREQ=DAILY",
      "FREQ=DAILY;INTERVAL=3",
      "FREQ=DAILY;COUNT=40",
      "FREQ=DAILY;INTERVAL=2;UNTIL=20260320T235959Z",
      "FREQ=WEEKLY;BYDAY=TU,FR;UNTIL=20260317T000000Z",
      "FREQ=WEEKLY",
      "FREQ=WEEKLY;INTERVAL=2",
      "FREQ=WEEKLY;BYDAY=MO,TH,SU",
      "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,TU;WKST=SU",
      "FREQ=WEEKLY;INTERVAL=3;BYDAY=TU,SA;COUNT=25",
      "FREQ=MONTHLY",
      "FREQ=MONTHLY;INTERVAL=5",
      "FREQ=MONTHLY;COUNT=14",
      "FREQ=YEARLY",
      "FREQ=YEARLY;INTERVAL=4",
      "FREQ=YEARLY;COUNT=5",
  };
  const std::vector<const char*> starts = {"20250131T093000", "20240229T180000", "20251221T000000",
                                           "20260106T120000", "20200229",        "20260305"};
  for (const char* rule : rules) {
    for (const char* startText : starts) {
      icaltimetype start = icaltime_from_string(startText);
      icalrecurrencetype recurrence = icalrecurrencetype_from_string(rule);

      const int startWeekday =
          static_cast<int>(((dayNumber(start.year, start.month, start.day) + 3) % 7 + 7) % 7);
      auto simple = simpleRule(recurrence, start);
      const std::string text = rule;
      const auto byDay = text.find("BYDAY=");
      const char* names[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
      const bool onItsDays =
          byDay == std::string::npos ||
          text.substr(byDay, text.find(';', byDay) - byDay).find(names[startWeekday]) !=
              std::string::npos;
      const bool counted = text.find("COUNT") != std::string::npos;
      SCOPED_TRACE(std::string(rule) + " from " + startText);
      ASSERT_EQ(simple.has_value(), onItsDays || !counted);
      if (!simple)
        continue;
      for (auto [from, to] : std::vector<std::pair<const char*, const char*>>{
               {"20260301", "20260401"}, {"20240101", "20240301"}, {"20280201", "20280401"}}) {
        const icaltimetype fromTime = icaltime_from_string(from);
        const icaltimetype toTime = icaltime_from_string(to);
        const std::int64_t fromDay = dayNumber(fromTime.year, fromTime.month, fromTime.day);
        const std::int64_t toDay = dayNumber(toTime.year, toTime.month, toTime.day);
        auto expected = libicalDates(rule, start, fromDay, toDay);
        auto found = simpleDates(*simple, start, fromDay, toDay);
        // UNTIL is the caller's to check, on instants (floating as UTC here).
        if (simple->until) {
          auto instant = [](const icaltimetype& t) {
            return dayNumber(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
                   t.second;
          };
          std::erase_if(found, [&](const std::string& date) {
            icaltimetype t = start;
            t.year = std::stoi(date.substr(0, 4));
            t.month = std::stoi(date.substr(5, 2));
            t.day = std::stoi(date.substr(8, 2));
            return instant(t) > instant(*simple->until);
          });
        }
        EXPECT_EQ(found, expected) << from << ".." << to;
      }
    }
  }
}

TEST(CalendarSimpleRule, OtherRulesAreLeftToLibical) {
  const icaltimetype start = icaltime_from_string("20260302T090000");  // a Monday
  for (const char* rule :
       {"FREQ=MONTHLY;BYDAY=-1FR", "FREQ=MONTHLY;BYMONTHDAY=15", "FREQ=YEARLY;BYMONTH=3",
        "FREQ=DAILY;BYHOUR=9,17", "FREQ=HOURLY", "FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=1",
        "FREQ=MONTHLY;BYDAY=MO", "FREQ=WEEKLY;BYDAY=TU;COUNT=3", "FREQ=DAILY;UNTIL=20260401"})
    EXPECT_FALSE(simpleRule(icalrecurrencetype_from_string(rule), start)) << rule;
}

TEST(CalendarSimpleRule, DayNumbers) {
  for (auto [y, m, d, n] :
       std::vector<std::tuple<int, int, int, std::int64_t>>{{1970, 1, 1, 0},
                                                            {1969, 12, 31, -1},
                                                            {2000, 3, 1, 11017},
                                                            {2026, 3, 1, 20513},
                                                            {1, 1, 1, -719162}}) {
    EXPECT_EQ(dayNumber(y, m, d), n);
    int year = 0, month = 0, day = 0;
    civilDate(n, year, month, day);
    EXPECT_EQ(std::make_tuple(year, month, day), std::make_tuple(y, m, d));
  }
}

}  // namespace
}  // namespace vell::calendar_rule
