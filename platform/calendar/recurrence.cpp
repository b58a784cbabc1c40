// Occurrences of parsed items: recurrence rules walked with libical's
// iterator in the event's own wall clock, then taken to UTC.
#include <algorithm>
#include <limits>

#include "platform/calendar/item.hpp"
#include "platform/calendar/simple_rule.hpp"
#include "platform/calendar/time.hpp"

namespace vell::calendar_item {

using calendar_time::seconds;

namespace {

// More occurrences than one range of interest holds, and the most a counted
// rule is walked to find its end; also bounds the work of rules that match
// (almost) nothing, which libical walks year by year.
constexpr int maxSteps = 20000;
// libical's steps are costly (ICU calendars); rules it walks are the rarer,
// longer ones (monthly by weekday, BYSETPOS), for which this is decades.
constexpr int maxLibicalSteps = 5000;
constexpr std::int64_t unbounded = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t day = 86400;

struct IteratorFree {
  void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};
using Iterator = std::unique_ptr<icalrecur_iterator, IteratorFree>;

std::optional<icalrecurrencetype> parseRule(const std::string& text) {
  icalrecurrencetype rule = icalrecurrencetype_from_string(text.c_str());
  if (rule.rscale) {
    // Other calendar scales need ICU; the Gregorian one is the sound fallback.
    icalmemory_free_buffer(rule.rscale);
    rule.rscale = nullptr;
  }
  if (rule.freq == ICAL_NO_RECURRENCE)
    return std::nullopt;
  return rule;
}

// An occurrence's wall-clock start in the event's own zone and calendar.
icaltimetype localStart(const ItemEvent& event, icaltimetype time) {
  time.zone = event.start.zone;
  time.is_date = event.start.is_date;
  return time;
}

std::int64_t endOf(const ItemEvent& event, const icaltimetype& start, std::int64_t startSeconds) {
  if (event.allDay)
    return seconds(calendar_time::addDays(start, event.durationDays));
  return startSeconds + event.durationSeconds;
}

// Rules shorter than a day mean nothing for dates; libical walks them
// second by second.
bool applies(const ItemEvent& event, const icalrecurrencetype& rule) {
  return !event.allDay || rule.freq >= ICAL_DAILY_RECURRENCE;
}

// The wall clock of `seconds` in the event's zone (UTC for floating and
// all-day events: callers allow two days of slack).
icaltimetype wallClock(const ItemEvent& event, std::int64_t seconds) {
  const icaltimezone* zone = event.start.zone ? event.start.zone : icaltimezone_get_utc_timezone();
  icaltimetype time = icaltime_from_timet_with_zone(
      static_cast<time_t>(seconds), event.start.is_date, const_cast<icaltimezone*>(zone));
  return localStart(event, time);
}

std::int64_t wallSeconds(const icaltimetype& time) {
  return calendar_time::utcSeconds(time.year, time.month, time.day, time.hour, time.minute,
                                   time.second);
}

int dayKey(const icaltimetype& time) {
  return time.year * 10000 + time.month * 100 + time.day;
}

bool overlaps(const Span& span, std::int64_t from, std::int64_t to) {
  if (span.end <= span.start)
    return span.start >= from && span.start < to;
  return span.start < to && span.end > from;
}

template <typename T>
bool contains(const std::vector<T>& values, T value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// Occurrences of one master event, each checked once against the range,
// its exclusions and its exceptions.
class Expansion {
 public:
  Expansion(const ItemEvent& event, std::vector<std::int64_t> replaced, std::int64_t from,
            std::int64_t to, std::vector<Occurrence>& out)
      : event_(event), replaced_(std::move(replaced)), from_(from), to_(to), out_(out) {}

  void run() {
    consider(event_.start, event_.startSeconds);
    for (const Span& rdate : event_.rdates) {
      if (overlaps(rdate, from_, to_) && !contains(event_.exdates, rdate.start) &&
          !contains(replaced_, rdate.start))
        add(rdate);
    }
    for (const std::string& text : event_.rules) {
      if (auto rule = parseRule(text))
        walk(*rule);
    }
  }

 private:
  void walk(const icalrecurrencetype& rule) {
    if (!applies(event_, rule))
      return;
    // Start the walk near the range rather than at DTSTART: far cheaper for
    // old events. Rules that count from DTSTART cannot skip ahead.
    const std::int64_t reach =
        (event_.allDay ? std::int64_t{event_.durationDays} * day : event_.durationSeconds) +
        2 * day;
    if (auto simple = calendar_rule::simpleRule(rule, event_.start)) {
      walkSimple(*simple, reach);
      return;
    }
    const bool skip = rule.count == 0 && from_ - reach > event_.startSeconds;
    const icaltimetype skipTo = wallClock(event_, from_ - reach);
    Iterator iterator(icalrecur_iterator_new(rule, skip ? nearStart(rule, skipTo) : event_.start));
    if (!iterator)
      return;
    // libical keeps the phase of DAILY and longer rules only when skipping.
    if (skip && rule.freq >= ICAL_DAILY_RECURRENCE)
      icalrecur_iterator_set_start(iterator.get(), skipTo);
    for (int step = 0; step < maxLibicalSteps; ++step) {
      icaltimetype next = icalrecur_iterator_next(iterator.get());
      if (icaltime_is_null_time(next))
        return;
      icaltimetype start = localStart(event_, next);
      std::int64_t startSeconds = seconds(start);
      if (startSeconds >= to_)
        return;
      consider(start, startSeconds);
    }
  }

  void walkSimple(const calendar_rule::SimpleRule& rule, std::int64_t reach) {
    const icaltimetype near = wallClock(event_, from_ - reach);
    const std::int64_t until = rule.until ? seconds(*rule.until) : unbounded;
    int steps = 0;
    calendar_rule::expand(rule, event_.start,
                          calendar_rule::dayNumber(near.year, near.month, near.day),
                          [&](int year, int month, int date) {
                            icaltimetype start = event_.start;
                            start.year = year;
                            start.month = month;
                            start.day = date;
                            const std::int64_t startSeconds = seconds(start);
                            if (startSeconds > until || startSeconds >= to_)
                              return false;
                            consider(start, startSeconds);
                            return ++steps < maxSteps;
                          });
  }

  // For rules shorter than a day: the latest start on the rule's grid
  // (whole intervals from DTSTART on the wall clock) not after `skipTo`.
  icaltimetype nearStart(const icalrecurrencetype& rule, const icaltimetype& skipTo) const {
    if (rule.freq >= ICAL_DAILY_RECURRENCE)
      return event_.start;
    const std::int64_t unit = rule.freq == ICAL_HOURLY_RECURRENCE     ? 3600
                              : rule.freq == ICAL_MINUTELY_RECURRENCE ? 60
                                                                      : 1;
    const std::int64_t step = unit * std::max<std::int64_t>(1, rule.interval);
    const std::int64_t gap = wallSeconds(skipTo) - wallSeconds(event_.start);
    if (gap <= 0)
      return event_.start;
    const std::int64_t ahead = gap / step * step;
    icaltimetype start = event_.start;
    icaltime_adjust(&start, static_cast<int>(ahead / day), 0, 0, static_cast<int>(ahead % day));
    return start;
  }

  void consider(const icaltimetype& start, std::int64_t startSeconds) {
    Span span{startSeconds, endOf(event_, start, startSeconds)};
    if (!overlaps(span, from_, to_) || contains(event_.exdates, startSeconds) ||
        contains(event_.exdateDays, dayKey(start)) || contains(replaced_, startSeconds))
      return;
    add(span);
  }

  void add(const Span& span) {
    if (contains(seen_, span.start))
      return;
    seen_.push_back(span.start);
    out_.push_back({&event_, span});
  }

  const ItemEvent& event_;
  std::vector<std::int64_t> replaced_;
  std::int64_t from_;
  std::int64_t to_;
  std::vector<Occurrence>& out_;
  std::vector<std::int64_t> seen_;
};

std::int64_t lastEndOfRule(const ItemEvent& event, const icalrecurrencetype& rule) {
  if (!applies(event, rule))
    return event.startSeconds;
  if (rule.count > maxSteps)
    return unbounded;
  if (rule.count > 0) {
    if (auto simple = calendar_rule::simpleRule(rule, event.start)) {
      std::int64_t last = event.startSeconds;
      calendar_rule::expand(*simple, event.start, calendar_rule::dayNumber(1, 1, 1),
                            [&](int year, int month, int date) {
                              icaltimetype start = event.start;
                              start.year = year;
                              start.month = month;
                              start.day = date;
                              last = std::max(last, endOf(event, start, seconds(start)));
                              return true;
                            });
      return last;
    }
    if (rule.count > maxLibicalSteps)
      return unbounded;
    Iterator iterator(icalrecur_iterator_new(rule, event.start));
    if (!iterator)
      return event.startSeconds;
    std::int64_t last = event.startSeconds;
    for (int step = 0; step < maxLibicalSteps; ++step) {
      icaltimetype next = icalrecur_iterator_next(iterator.get());
      if (icaltime_is_null_time(next))
        return last;
      icaltimetype start = localStart(event, next);
      last = std::max(last, endOf(event, start, seconds(start)));
    }
    return unbounded;
  }
  if (!icaltime_is_null_time(rule.until)) {
    // UNTIL may be a date, floating or UTC; a margin covers any zone offset.
    const std::int64_t length =
        event.allDay ? std::int64_t{event.durationDays} * day : event.durationSeconds;
    return seconds(rule.until) + length + 2 * day;
  }
  return unbounded;
}

}  // namespace

void setBounds(ItemEvent& event) {
  event.firstStart = event.startSeconds;
  event.lastEnd = endOf(event, event.start, event.startSeconds);
  for (const Span& rdate : event.rdates) {
    event.firstStart = std::min(event.firstStart, rdate.start);
    event.lastEnd = std::max(event.lastEnd, rdate.end);
  }
  for (const std::string& text : event.rules) {
    if (auto rule = parseRule(text))
      event.lastEnd = std::max(event.lastEnd, lastEndOfRule(event, *rule));
  }
}

void occurrences(const Item& item, std::int64_t from, std::int64_t to,
                 std::vector<Occurrence>& out) {
  for (const ItemEvent& event : item.events) {
    if (event.recurrenceId) {
      Span span{event.startSeconds, endOf(event, event.start, event.startSeconds)};
      if (overlaps(span, from, to))
        out.push_back({&event, span});
      continue;
    }
    if (event.lastEnd < from || event.firstStart >= to)
      continue;
    std::vector<std::int64_t> replaced;
    if (event.uid) {
      for (const ItemEvent& other : item.events) {
        if (other.recurrenceId && other.uid == event.uid)
          replaced.push_back(*other.recurrenceId);
      }
    }
    Expansion(event, std::move(replaced), from, to, out).run();
  }
}

}  // namespace vell::calendar_item
