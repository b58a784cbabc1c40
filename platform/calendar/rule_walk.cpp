#include "platform/calendar/rule_walk.hpp"

#include <algorithm>

#include "platform/calendar/simple_rule.hpp"

namespace vell::calendar_rule {

namespace {

constexpr std::int64_t day = 86400;
constexpr int lastYear = 9999;
// More occurrences in one period than any calendar holds (a day of every
// minute is 1440); such a rule is not walked at all.
constexpr std::int64_t maxPerPeriod = 10000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int weekdayOf(std::int64_t dayNumber) {
  // 1970-01-01 was a Thursday.
  return static_cast<int>(((dayNumber + 3) % 7 + 7) % 7);
}

int mondayBased(int icalWeekday) {
  return (icalWeekday + 5) % 7;
}

int daysInYear(int year) {
  return static_cast<int>(dayNumber(year + 1, 1, 1) - dayNumber(year, 1, 1));
}

bool contains(const std::vector<int>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// A list as given: `given` when the rule names the part at all.
struct Part {
  bool given = false;
  std::vector<int> values;
};

template <std::size_t N>
Part collect(const short (&list)[N], int low, int high, bool mayBeNegative) {
  Part part;
  for (std::size_t i = 0; i < N && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
    part.given = true;
    const int value = list[i];
    const int size = mayBeNegative && value < 0 ? -value : value;
    if (size >= low && size <= high && !contains(part.values, value))
      part.values.push_back(value);
  }
  std::sort(part.values.begin(), part.values.end());
  return part;
}

// One day as the BY parts look at it.
struct Day {
  std::int64_t number = 0;
  int year = 0, month = 0, date = 0;
  int weekday = 0;
  int yearDay = 0;  // 1-based
  int yearLength = 0;
  int monthLength = 0;
};

Day dayAt(std::int64_t number) {
  Day d;
  d.number = number;
  civilDate(number, d.year, d.month, d.date);
  d.weekday = weekdayOf(number);
  d.yearDay = static_cast<int>(number - dayNumber(d.year, 1, 1)) + 1;
  d.yearLength = daysInYear(d.year);
  d.monthLength = icaltime_days_in_month(d.month, d.year);
  return d;
}

class Walker {
 public:
  Walker(const GeneralRule& rule, const WallTime& start) : rule_(rule), start_(start) {
    startDay_ = dayNumber(start.year, start.month, start.day);
    startWall_ = startDay_ * day + start.hour * 3600 + start.minute * 60 + start.second;
    startWeekday_ = weekdayOf(startDay_);
    // Parts a rule leaves out come from DTSTART.
    hours_ = rule.hours.empty() ? std::vector<int>{start.hour} : rule.hours;
    minutes_ = rule.minutes.empty() ? std::vector<int>{start.minute} : rule.minutes;
    seconds_ = rule.seconds.empty() ? std::vector<int>{start.second} : rule.seconds;
  }

  bool run(const WallTime& from, std::int64_t& budget,
           const std::function<bool(const WallTime&)>& visit) {
    const bool counted = rule_.count > 0;
    std::int64_t period = counted ? 0 : std::max<std::int64_t>(0, firstPeriod(from));
    std::vector<std::int64_t> found;  // wall-clock seconds
    int emitted = 0;
    for (;;) {
      if (budget <= 0)
        return false;
      budget -= periodCost();
      found.clear();
      std::int64_t next = period + 1;
      if (!candidates(period, found, next))
        return true;  // past the year 9999
      select(found);
      for (std::int64_t wall : found) {
        if (wall < startWall_)
          continue;
        --budget;
        if (!visit(wallTime(wall)))
          return true;
        if (counted && ++emitted >= rule_.count)
          return true;
      }
      period = next;
    }
  }

 private:
  std::int64_t periodCost() const {
    switch (rule_.freq) {
      case ICAL_YEARLY_RECURRENCE:
        return 16;
      case ICAL_MONTHLY_RECURRENCE:
        return 2;
      default:
        return 1;
    }
  }

  std::int64_t unitSeconds() const {
    switch (rule_.freq) {
      case ICAL_HOURLY_RECURRENCE:
        return 3600;
      case ICAL_MINUTELY_RECURRENCE:
        return 60;
      default:
        return 1;
    }
  }

  // The wall clock of the start of period 0 of a rule shorter than a day.
  std::int64_t firstBase() const {
    const std::int64_t unit = unitSeconds();
    return floorDiv(startWall_, unit) * unit;
  }

  std::int64_t firstWeek() const { return startDay_ - (startWeekday_ - rule_.weekStart + 7) % 7; }

  // The period holding `from`, on the rule's grid.
  std::int64_t firstPeriod(const WallTime& from) const {
    const std::int64_t fromDay = dayNumber(from.year, from.month, from.day);
    const std::int64_t interval = rule_.interval;
    switch (rule_.freq) {
      case ICAL_YEARLY_RECURRENCE:
        return floorDiv(from.year - start_.year, interval);
      case ICAL_MONTHLY_RECURRENCE:
        return floorDiv((std::int64_t{from.year} * 12 + from.month) -
                            (std::int64_t{start_.year} * 12 + start_.month),
                        interval);
      case ICAL_WEEKLY_RECURRENCE:
        return floorDiv(fromDay - firstWeek(), 7 * interval);
      case ICAL_DAILY_RECURRENCE:
        return floorDiv(fromDay - startDay_, interval);
      default: {
        const std::int64_t wall = fromDay * day + from.hour * 3600 + from.minute * 60 + from.second;
        return floorDiv(wall - firstBase(), unitSeconds() * interval);
      }
    }
  }

  // The occurrences of `period` (wall-clock seconds, in order) into `out`,
  // and in `next` the next period worth looking at. False past the year
  // 9999.
  bool candidates(std::int64_t period, std::vector<std::int64_t>& out, std::int64_t& next) {
    const std::int64_t interval = rule_.interval;
    days_.clear();
    switch (rule_.freq) {
      case ICAL_YEARLY_RECURRENCE: {
        const std::int64_t year = start_.year + period * interval;
        if (year > lastYear)
          return false;
        yearDays(static_cast<int>(year));
        break;
      }
      case ICAL_MONTHLY_RECURRENCE: {
        const std::int64_t index =
            std::int64_t{start_.year} * 12 + start_.month - 1 + period * interval;
        if (index / 12 > lastYear)
          return false;
        monthDays(static_cast<int>(index / 12), static_cast<int>(index % 12) + 1);
        break;
      }
      case ICAL_WEEKLY_RECURRENCE: {
        const std::int64_t week = firstWeek() + period * 7 * interval;
        if (week > dayNumber(lastYear, 12, 31))
          return false;
        for (int offset = 0; offset < 7; ++offset) {
          const Day d = dayAt(week + offset);
          if (!inMonths(d))
            continue;
          if (rule_.days.empty() ? d.weekday == startWeekday_ : hasWeekday(d))
            days_.push_back(d.number);
        }
        break;
      }
      case ICAL_DAILY_RECURRENCE: {
        const std::int64_t number = startDay_ + period * interval;
        if (number > dayNumber(lastYear, 12, 31))
          return false;
        const Day d = dayAt(number);
        if (inMonths(d) && inMonthDays(d) && inYearDays(d) && (rule_.days.empty() || hasWeekday(d)))
          days_.push_back(number);
        break;
      }
      default:
        return shortPeriod(period, out, next);
    }
    for (std::int64_t number : days_)
      for (int h : hours_)
        for (int m : minutes_)
          for (int s : seconds_)
            out.push_back(number * day + h * 3600 + m * 60 + s);
    return true;
  }

  // A period of an hour, a minute or a second: the BY parts of longer spans
  // only let it through or not, and a period they refuse moves the walk on
  // to the next day, hour or minute at once.
  bool shortPeriod(std::int64_t period, std::vector<std::int64_t>& out, std::int64_t& next) {
    const std::int64_t step = unitSeconds() * rule_.interval;
    const std::int64_t base = firstBase() + period * step;
    if (floorDiv(base, day) > dayNumber(lastYear, 12, 31))
      return false;
    // The first period starting at or after `boundary`.
    auto skipTo = [&](std::int64_t boundary) {
      next = std::max(period + 1, floorDiv(boundary - firstBase() + step - 1, step));
      return true;
    };
    const Day d = dayAt(floorDiv(base, day));
    if (!inMonths(d) || !inMonthDays(d) || !inYearDays(d) || !(rule_.days.empty() || hasWeekday(d)))
      return skipTo((d.number + 1) * day);
    const std::int64_t inDay = base - d.number * day;
    const int hour = static_cast<int>(inDay / 3600);
    const int minute = static_cast<int>(inDay % 3600 / 60);
    const int second = static_cast<int>(inDay % 60);
    if (!rule_.hours.empty() && !contains(rule_.hours, hour))
      return skipTo(d.number * day + (hour + 1) * 3600);
    const std::int64_t hourStart = d.number * day + hour * 3600;
    if (rule_.freq == ICAL_HOURLY_RECURRENCE) {
      for (int m : minutes_)
        for (int s : seconds_)
          out.push_back(hourStart + m * 60 + s);
      return true;
    }
    if (!rule_.minutes.empty() && !contains(rule_.minutes, minute))
      return skipTo(hourStart + (minute + 1) * 60);
    if (rule_.freq == ICAL_MINUTELY_RECURRENCE) {
      for (int s : seconds_)
        out.push_back(hourStart + minute * 60 + s);
      return true;
    }
    if (rule_.seconds.empty() || contains(rule_.seconds, second))
      out.push_back(base);
    return true;
  }

  void yearDays(int year) {
    const bool byDate = !rule_.monthDays.empty() || !rule_.yearDays.empty() ||
                        !rule_.weekNumbers.empty() || !rule_.days.empty();
    const std::int64_t first = dayNumber(year, 1, 1);
    const std::int64_t weekOne = weekOneStart(year);
    const std::int64_t nextWeekOne = weekOneStart(year + 1);
    for (std::int64_t number = first; number < dayNumber(year + 1, 1, 1); ++number) {
      const Day d = dayAt(number);
      if (!inMonths(d))
        continue;
      if (!byDate) {
        // DTSTART's date in each month of BYMONTH, or DTSTART's own date.
        if (d.date == start_.day && (!rule_.months.empty() || d.month == start_.month))
          days_.push_back(number);
        continue;
      }
      if (!rule_.weekNumbers.empty() && !inWeeks(number, weekOne, nextWeekOne))
        continue;
      if (!inYearDays(d) || !inMonthDays(d))
        continue;
      if (!rule_.days.empty() ? !hasWeekday(d, rule_.months.empty())
                              : (!rule_.weekNumbers.empty() && rule_.yearDays.empty() &&
                                 rule_.monthDays.empty() && d.weekday != startWeekday_))
        continue;
      days_.push_back(number);
    }
  }

  void monthDays(int year, int month) {
    if (!rule_.months.empty() && !contains(rule_.months, month))
      return;
    const int length = icaltime_days_in_month(month, year);
    for (int date = 1; date <= length; ++date) {
      const Day d = dayAt(dayNumber(year, month, date));
      if (rule_.monthDays.empty() && rule_.days.empty()) {
        if (date == start_.day)
          days_.push_back(d.number);
        continue;
      }
      if (inMonthDays(d) && inYearDays(d) && (rule_.days.empty() || hasWeekday(d)))
        days_.push_back(d.number);
    }
  }

  // BYSETPOS: the chosen places among the period's occurrences.
  void select(std::vector<std::int64_t>& found) const {
    if (rule_.setPositions.empty() || found.empty())
      return;
    std::vector<std::int64_t> chosen;
    const auto size = static_cast<std::int64_t>(found.size());
    for (int position : rule_.setPositions) {
      const std::int64_t index = position > 0 ? position - 1 : size + position;
      if (index >= 0 && index < size)
        chosen.push_back(found[static_cast<std::size_t>(index)]);
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    found = std::move(chosen);
  }

  bool inMonths(const Day& d) const {
    return rule_.months.empty() || contains(rule_.months, d.month);
  }

  bool inMonthDays(const Day& d) const {
    if (rule_.monthDays.empty())
      return true;
    return std::any_of(rule_.monthDays.begin(), rule_.monthDays.end(), [&](int value) {
      return value > 0 ? d.date == value : d.date == d.monthLength + value + 1;
    });
  }

  bool inYearDays(const Day& d) const {
    if (rule_.yearDays.empty())
      return true;
    return std::any_of(rule_.yearDays.begin(), rule_.yearDays.end(), [&](int value) {
      return value > 0 ? d.yearDay == value : d.yearDay == d.yearLength + value + 1;
    });
  }

  // Whether `d` is one of the BYDAY days; a numbered one ("2TU", "-1SU")
  // counts within the year or, with `inYear` false, within the month.
  bool hasWeekday(const Day& d, bool inYear = false) const {
    const int place = inYear ? d.yearDay : d.date;
    const int length = inYear ? d.yearLength : d.monthLength;
    const int forward = (place - 1) / 7 + 1;
    const int backward = -((length - place) / 7 + 1);
    return std::any_of(rule_.days.begin(), rule_.days.end(), [&](const Weekday& w) {
      return w.weekday == d.weekday &&
             (w.position == 0 || w.position == forward || w.position == backward);
    });
  }

  // The first day of week 1 of `year`: the first week, starting on WKST,
  // with at least four of its days in the year.
  std::int64_t weekOneStart(int year) const {
    const std::int64_t first = dayNumber(year, 1, 1);
    const int offset = (weekdayOf(first) - rule_.weekStart + 7) % 7;
    return offset <= 3 ? first - offset : first + 7 - offset;
  }

  bool inWeeks(std::int64_t number, std::int64_t weekOne, std::int64_t nextWeekOne) const {
    if (number < weekOne || number >= nextWeekOne)
      return false;
    const int week = static_cast<int>((number - weekOne) / 7) + 1;
    const int weeks = static_cast<int>((nextWeekOne - weekOne) / 7);
    return contains(rule_.weekNumbers, week) || contains(rule_.weekNumbers, week - weeks - 1);
  }

  static WallTime wallTime(std::int64_t wall) {
    WallTime t;
    const std::int64_t number = floorDiv(wall, day);
    civilDate(number, t.year, t.month, t.day);
    const std::int64_t inDay = wall - number * day;
    t.hour = static_cast<int>(inDay / 3600);
    t.minute = static_cast<int>(inDay % 3600 / 60);
    t.second = static_cast<int>(inDay % 60);
    return t;
  }

  const GeneralRule& rule_;
  const WallTime start_;
  std::int64_t startDay_ = 0;
  std::int64_t startWall_ = 0;
  int startWeekday_ = 0;
  std::vector<int> hours_, minutes_, seconds_;
  std::vector<std::int64_t> days_;
};

}  // namespace

std::optional<GeneralRule> generalRule(const icalrecurrencetype& rule) {
  if (rule.freq < ICAL_SECONDLY_RECURRENCE || rule.freq > ICAL_YEARLY_RECURRENCE ||
      rule.interval < 1 || rule.count < 0)
    return std::nullopt;
  GeneralRule general;
  general.freq = rule.freq;
  general.interval = rule.interval;
  general.count = rule.count;
  general.weekStart =
      mondayBased(rule.week_start == ICAL_NO_WEEKDAY ? ICAL_MONDAY_WEEKDAY : rule.week_start);
  const Part seconds = collect(rule.by_second, 0, 60, false);
  const Part minutes = collect(rule.by_minute, 0, 59, false);
  const Part hours = collect(rule.by_hour, 0, 23, false);
  const Part monthDays = collect(rule.by_month_day, 1, 31, true);
  const Part yearDays = collect(rule.by_year_day, 1, 366, true);
  const Part weekNumbers = collect(rule.by_week_no, 1, 53, true);
  const Part setPositions = collect(rule.by_set_pos, 1, 366, true);
  Part months;
  for (std::size_t i = 0; i < ICAL_BY_MONTH_SIZE && rule.by_month[i] != ICAL_RECURRENCE_ARRAY_MAX;
       ++i) {
    months.given = true;
    const int month = icalrecurrencetype_month_month(rule.by_month[i]);
    if (month >= 1 && month <= 12 && !icalrecurrencetype_month_is_leap(rule.by_month[i]) &&
        !contains(months.values, month))
      months.values.push_back(month);
  }
  bool daysGiven = false;
  for (std::size_t i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX;
       ++i) {
    daysGiven = true;
    const int weekday = icalrecurrencetype_day_day_of_week(rule.by_day[i]);
    const int position = icalrecurrencetype_day_position(rule.by_day[i]);
    if (weekday >= 1 && weekday <= 7 && position >= -53 && position <= 53)
      general.days.push_back({mondayBased(weekday), position});
  }
  for (const Part* part : std::initializer_list<const Part*>{
           &seconds, &minutes, &hours, &monthDays, &yearDays, &weekNumbers, &setPositions, &months})
    if (part->given && part->values.empty())
      return std::nullopt;
  if (daysGiven && general.days.empty())
    return std::nullopt;
  general.seconds = seconds.values;
  general.minutes = minutes.values;
  general.hours = hours.values;
  general.monthDays = monthDays.values;
  general.yearDays = yearDays.values;
  general.weekNumbers = weekNumbers.values;
  general.setPositions = setPositions.values;
  general.months = months.values;
  const std::int64_t daysPerPeriod = rule.freq == ICAL_YEARLY_RECURRENCE    ? 366
                                     : rule.freq == ICAL_MONTHLY_RECURRENCE ? 31
                                     : rule.freq == ICAL_WEEKLY_RECURRENCE  ? 7
                                                                            : 1;
  const auto size = [](const std::vector<int>& values) {
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(values.size()));
  };
  if (daysPerPeriod * size(general.hours) * size(general.minutes) * size(general.seconds) >
      maxPerPeriod)
    return std::nullopt;
  return general;
}

bool walk(const GeneralRule& rule, const WallTime& start, const WallTime& from,
          std::int64_t& budget, const std::function<bool(const WallTime&)>& visit) {
  return Walker(rule, start).run(from, budget, visit);
}

}  // namespace vell::calendar_rule
