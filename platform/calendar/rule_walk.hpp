#pragma once

// Recurrence rules of every kind walked by date arithmetic, one period of the
// rule (a year, a month, a week, a day, an hour, a minute, a second) after
// another, for the rules the simple walk does not take. libical's own
// iterator searches inside one step for as long as the rule's BY parts fail
// to match, up to the year 2582: a rule that (almost) never matches, such as
// every second of the 30th of February, keeps it busy for hours. Here every
// period looked at is counted against a budget, so that any rule costs a
// bounded amount of work. Internal to the calendar store.

#include <libical/ical.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vell::calendar_rule {

// A wall-clock date and time, as iCalendar values hold them.
struct WallTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct Weekday {
  int weekday = 0;   // 0 Monday .. 6 Sunday
  int position = 0;  // 0: every one; n: the n-th in the month or year; -n: from the end
};

struct GeneralRule {
  icalrecurrencetype_frequency freq = ICAL_NO_RECURRENCE;
  std::int64_t interval = 1;
  int count = 0;      // 0: not counted
  int weekStart = 0;  // 0 Monday .. 6 Sunday
  std::vector<int> seconds, minutes, hours;
  std::vector<Weekday> days;
  std::vector<int> monthDays, yearDays, weekNumbers, months, setPositions;
};

// `rule` with its BY parts as lists, values out of their range dropped.
// Nothing when it cannot make any occurrence (a BY part left with no valid
// value) or when one period could hold more occurrences than any calendar
// needs (every second of every day of a year).
std::optional<GeneralRule> generalRule(const icalrecurrencetype& rule);

// Calls `visit` with each occurrence of `rule` for an event starting at
// `start`, in order, not before `start`: from the period holding `from` on
// (from DTSTART's period for counted rules, which count from there), until
// `visit` returns false, the count is reached or the year 9999 is passed.
// Each period looked at and each occurrence made takes from `budget`; false
// when the budget ran out before the walk ended.
bool walk(const GeneralRule& rule, const WallTime& start, const WallTime& from,
          std::int64_t& budget, const std::function<bool(const WallTime&)>& visit);

}  // namespace vell::calendar_rule
