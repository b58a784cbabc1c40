#include "platform/calendar/simple_rule.hpp"

#include <algorithm>

namespace vell::calendar_rule {

namespace {

bool empty(const short* values) {
  return values[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

// icalrecurrencetype_weekday (1 Sunday .. 7 Saturday) to 0 Monday .. 6 Sunday.
int mondayBased(int weekday) {
  return (weekday + 5) % 7;
}

int weekdayOf(std::int64_t days) {
  // 1970-01-01 was a Thursday.
  return static_cast<int>(((days + 3) % 7 + 7) % 7);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool validDate(int year, int month, int day) {
  return day <= icaltime_days_in_month(month, year);
}

}  // namespace

std::int64_t dayNumber(int year, int month, int day) {
  std::int64_t y = year - (month <= 2);
  const std::int64_t era = floorDiv(y, 400);
  const auto yearOfEra = static_cast<unsigned>(y - era * 400);
  const unsigned dayOfYear = (153 * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 +
                             static_cast<unsigned>(day) - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilDate(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = floorDiv(days, 146097);
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

std::optional<SimpleRule> simpleRule(const icalrecurrencetype& rule, const icaltimetype& start) {
  if (rule.freq < ICAL_DAILY_RECURRENCE || rule.freq > ICAL_YEARLY_RECURRENCE ||
      rule.interval < 1 || rule.count < 0 || rule.rscale || !empty(rule.by_second) ||
      !empty(rule.by_minute) || !empty(rule.by_hour) || !empty(rule.by_month_day) ||
      !empty(rule.by_year_day) || !empty(rule.by_week_no) || !empty(rule.by_month) ||
      !empty(rule.by_set_pos))
    return std::nullopt;
  SimpleRule simple;
  simple.freq = rule.freq;
  simple.interval = rule.interval;
  simple.count = rule.count;
  simple.weekStart =
      mondayBased(rule.week_start == ICAL_NO_WEEKDAY ? ICAL_MONDAY_WEEKDAY : rule.week_start);
  if (!icaltime_is_null_time(rule.until)) {
    // A date UNTIL needs a date DTSTART; a date-time one suits both.
    if ((rule.until.is_date && !start.is_date) || rule.count > 0)
      return std::nullopt;
    simple.until = rule.until;
  }
  const int startWeekday = weekdayOf(dayNumber(start.year, start.month, start.day));
  if (!empty(rule.by_day)) {
    if (rule.freq != ICAL_WEEKLY_RECURRENCE)
      return std::nullopt;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
      if (icalrecurrencetype_day_position(rule.by_day[i]) != 0)
        return std::nullopt;
      simple.weekdays |= 1u << mondayBased(icalrecurrencetype_day_day_of_week(rule.by_day[i]));
    }
    // A DTSTART outside BYDAY is an extra first occurrence, which the caller
    // adds; counting it is left to libical.
    if (!(simple.weekdays & (1u << startWeekday)) && rule.count > 0)
      return std::nullopt;
  } else if (rule.freq == ICAL_WEEKLY_RECURRENCE) {
    simple.weekdays = 1u << startWeekday;
  }
  return simple;
}

void expand(const SimpleRule& rule, const icaltimetype& start, std::int64_t fromDay,
            const std::function<bool(int, int, int)>& visit) {
  const std::int64_t first = dayNumber(start.year, start.month, start.day);
  const std::int64_t interval = rule.interval;
  // Counted rules are walked from DTSTART; others jump close to `fromDay`.
  const bool jump = rule.count == 0 && fromDay > first;
  int emitted = 0;
  // Reports one occurrence; false when the walk is over.
  auto occurrence = [&](std::int64_t day) {
    if (rule.count > 0 && emitted >= rule.count)
      return false;
    ++emitted;
    if (day < fromDay)
      return true;
    int year = 0, month = 0, date = 0;
    civilDate(day, year, month, date);
    return year <= 9999 && visit(year, month, date);
  };
  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE: {
      std::int64_t k = jump ? (fromDay - first) / interval : 0;
      while (occurrence(first + k * interval))
        ++k;
      return;
    }
    case ICAL_WEEKLY_RECURRENCE: {
      const std::int64_t firstWeek = first - (weekdayOf(first) - rule.weekStart + 7) % 7;
      std::int64_t k =
          jump ? std::max<std::int64_t>(0, (fromDay - firstWeek) / (7 * interval) - 1) : 0;
      for (;; ++k) {
        const std::int64_t week = firstWeek + k * 7 * interval;
        if (week > dayNumber(9999, 12, 31))
          return;
        for (int offset = 0; offset < 7; ++offset) {
          const std::int64_t day = week + offset;
          if (day >= first && (rule.weekdays & (1u << weekdayOf(day))) && !occurrence(day))
            return;
        }
      }
    }
    case ICAL_MONTHLY_RECURRENCE: {
      const std::int64_t firstMonth = std::int64_t{start.year} * 12 + start.month - 1;
      int fromYear = 0, fromMonth = 0, fromDate = 0;
      civilDate(fromDay, fromYear, fromMonth, fromDate);
      const std::int64_t target = std::int64_t{fromYear} * 12 + fromMonth - 1;
      std::int64_t k = jump ? std::max<std::int64_t>(0, (target - firstMonth) / interval - 1) : 0;
      for (;; ++k) {
        const std::int64_t month = firstMonth + k * interval;
        const int year = static_cast<int>(month / 12);
        if (year > 9999)
          return;
        // Months without DTSTART's day have no occurrence and count none.
        if (validDate(year, static_cast<int>(month % 12) + 1, start.day) &&
            !occurrence(dayNumber(year, static_cast<int>(month % 12) + 1, start.day)))
          return;
      }
    }
    case ICAL_YEARLY_RECURRENCE: {
      int fromYear = 0, fromMonth = 0, fromDate = 0;
      civilDate(fromDay, fromYear, fromMonth, fromDate);
      std::int64_t k = jump ? std::max<std::int64_t>(0, (fromYear - start.year) / interval - 1) : 0;
      for (;; ++k) {
        const std::int64_t year = start.year + k * interval;
        if (year > 9999)
          return;
        if (validDate(static_cast<int>(year), start.month, start.day) &&
            !occurrence(dayNumber(static_cast<int>(year), start.month, start.day)))
          return;
      }
    }
    default:
      return;
  }
}

}  // namespace vell::calendar_rule
