#pragma once

// Recurrence rules simple enough to expand by date arithmetic: DAILY,
// WEEKLY (optionally on plain weekdays), MONTHLY and YEARLY on DTSTART's day,
// with INTERVAL, COUNT and UNTIL. These are most rules in real calendars, and
// this walk jumps straight to a range. Everything else takes the general
// walk (rule_walk.hpp). Internal to the calendar store.

#include <libical/ical.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace vell::calendar_rule {

struct SimpleRule {
  icalrecurrencetype_frequency freq = ICAL_NO_RECURRENCE;
  int interval = 1;
  int count = 0;  // 0: not counted
  std::optional<icaltimetype> until;
  unsigned weekdays = 0;  // WEEKLY: bit 0 Monday .. bit 6 Sunday
  int weekStart = 0;      // 0 Monday .. 6 Sunday
};

// `rule` as a SimpleRule for an event starting at `start`, or nothing when it
// needs more than date arithmetic (BYSETPOS, ordinal weekdays, BYMONTHDAY,
// times of day, RSCALE and so on, a date UNTIL for a date-time DTSTART, or a
// counted rule whose DTSTART is not on one of its BYDAY days).
std::optional<SimpleRule> simpleRule(const icalrecurrencetype& rule, const icaltimetype& start);

// Days since 1970-01-01 of a civil date, and back.
std::int64_t dayNumber(int year, int month, int day);
void civilDate(std::int64_t days, int& year, int& month, int& day);

// Calls `visit` with the date of each occurrence the rule makes (DTSTART's
// date only when the rule makes it), in order, from the first one that falls on or after day
// `fromDay` (a day number; counted rules are still counted from DTSTART), until `visit` returns
// false, the count is reached, or year 9999 is passed. UNTIL is the caller's to check, on the
// instants.
void expand(const SimpleRule& rule, const icaltimetype& start, std::int64_t fromDay,
            const std::function<bool(int year, int month, int day)>& visit);

}  // namespace vell::calendar_rule
