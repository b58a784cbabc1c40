// Occurrences of parsed items: recurrence rules walked by date arithmetic
// in the event's own wall clock, then taken to UTC.
#include <algorithm>
#include <limits>
#include <map>
#include <unordered_set>

#include "platform/calendar/item.hpp"
#include "platform/calendar/rule_walk.hpp"
#include "platform/calendar/simple_rule.hpp"
#include "platform/calendar/time.hpp"

namespace vell::calendar_item {

using calendar_time::seconds;

namespace {

// More occurrences than one range of interest holds, and the most a counted
// rule is walked to find its end.
constexpr int maxSteps = 20000;
constexpr std::int64_t unbounded = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t day = 86400;
// How far before a range a walk starts, for occurrences that began earlier
// and still last: a repeating event lasting longer than this is absurd.
constexpr std::int64_t maxReach = 400 * day;

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

// Rules shorter than a day mean nothing for dates.
bool applies(const ItemEvent& event, const icalrecurrencetype& rule) {
  return !event.allDay || rule.freq >= ICAL_DAILY_RECURRENCE;
}

// The wall clock of `seconds` in the event's zone (UTC for floating and
// all-day events: callers allow two days of slack).
icaltimetype wallClock(const ItemEvent& event, std::int64_t seconds) {
  return localStart(event,
                    calendar_time::wallClock(seconds, event.start.zone, event.start.is_date));
}

calendar_rule::WallTime wallTime(const icaltimetype& time) {
  return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

// The event's start moved to the date (and, for timed events, the time) of
// `time`.
icaltimetype startAt(const ItemEvent& event, const calendar_rule::WallTime& time) {
  icaltimetype start = event.start;
  start.year = time.year;
  start.month = time.month;
  start.day = time.day;
  if (!start.is_date) {
    start.hour = time.hour;
    start.minute = time.minute;
    start.second = time.second;
  }
  return start;
}

std::int64_t untilOf(const icalrecurrencetype& rule) {
  return icaltime_is_null_time(rule.until) ? unbounded : seconds(rule.until);
}

int dayKey(const icaltimetype& time) {
  return time.year * 10000 + time.month * 100 + time.day;
}

bool overlaps(const Span& span, std::int64_t from, std::int64_t to) {
  if (span.end <= span.start)
    return span.start >= from && span.start < to;
  return span.start < to && span.end > from;
}

// `values` is sorted.
template <typename T>
bool contains(const std::vector<T>& values, T value) {
  return std::binary_search(values.begin(), values.end(), value);
}

// Occurrences of one master event, each checked once against the range,
// its exclusions and its exceptions.
class Expansion {
 public:
  // `replaced` is sorted.
  Expansion(const ItemEvent& event, const std::vector<std::int64_t>& replaced, std::int64_t from,
            std::int64_t to, std::int64_t& budget, std::vector<Occurrence>& out)
      : event_(event), replaced_(replaced), from_(from), to_(to), budget_(budget), out_(out) {}

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
    auto general = calendar_rule::generalRule(rule);
    if (!general)
      return;
    const std::int64_t until = untilOf(rule);
    const icaltimetype from = wallClock(event_, from_ - std::min(reach, maxReach));
    int steps = 0;
    calendar_rule::walk(*general, wallTime(event_.start), wallTime(from), budget_,
                        [&](const calendar_rule::WallTime& time) {
                          const icaltimetype start = startAt(event_, time);
                          const std::int64_t startSeconds = seconds(start);
                          if (startSeconds > until || startSeconds >= to_)
                            return false;
                          consider(start, startSeconds);
                          return ++steps < maxSteps;
                        });
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

  void consider(const icaltimetype& start, std::int64_t startSeconds) {
    Span span{startSeconds, endOf(event_, start, startSeconds)};
    if (!overlaps(span, from_, to_) || contains(event_.exdates, startSeconds) ||
        contains(event_.exdateDays, dayKey(start)) || contains(replaced_, startSeconds))
      return;
    add(span);
  }

  void add(const Span& span) {
    if (!seen_.insert(span.start).second)
      return;
    out_.push_back({&event_, span});
  }

  const ItemEvent& event_;
  const std::vector<std::int64_t>& replaced_;
  std::int64_t from_;
  std::int64_t to_;
  std::int64_t& budget_;
  std::vector<Occurrence>& out_;
  std::unordered_set<std::int64_t> seen_;
};

std::int64_t lastEndOfRule(const ItemEvent& event, const icalrecurrencetype& rule,
                           std::int64_t& budget) {
  if (!applies(event, rule))
    return event.startSeconds;
  if (rule.count > maxSteps)
    return unbounded;
  if (rule.count > 0) {
    std::int64_t last = event.startSeconds;
    if (auto simple = calendar_rule::simpleRule(rule, event.start)) {
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
    auto general = calendar_rule::generalRule(rule);
    if (!general)
      return event.startSeconds;
    const bool walked =
        calendar_rule::walk(*general, wallTime(event.start), wallTime(event.start), budget,
                            [&](const calendar_rule::WallTime& time) {
                              const icaltimetype start = startAt(event, time);
                              last = std::max(last, endOf(event, start, seconds(start)));
                              return true;
                            });
    return walked ? last : unbounded;
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

void setBounds(ItemEvent& event, std::int64_t& budget) {
  event.firstStart = event.startSeconds;
  event.lastEnd = endOf(event, event.start, event.startSeconds);
  for (const Span& rdate : event.rdates) {
    event.firstStart = std::min(event.firstStart, rdate.start);
    event.lastEnd = std::max(event.lastEnd, rdate.end);
  }
  for (const std::string& text : event.rules) {
    if (auto rule = parseRule(text))
      event.lastEnd = std::max(event.lastEnd, lastEndOfRule(event, *rule, budget));
  }
}

void occurrences(const Item& item, std::int64_t from, std::int64_t to,
                 std::vector<Occurrence>& out) {
  // The starts each exception replaces, by UID, found in one pass.
  std::map<std::string_view, std::vector<std::int64_t>> replacedByUid;
  for (const ItemEvent& event : item.events) {
    if (event.recurrenceId && event.uid)
      replacedByUid[*event.uid].push_back(*event.recurrenceId);
  }
  for (auto& [uid, starts] : replacedByUid)
    std::sort(starts.begin(), starts.end());
  const std::vector<std::int64_t> none;
  std::int64_t budget = walkBudget;
  for (const ItemEvent& event : item.events) {
    if (event.recurrenceId) {
      Span span{event.startSeconds, endOf(event, event.start, event.startSeconds)};
      if (overlaps(span, from, to))
        out.push_back({&event, span});
      continue;
    }
    if (event.lastEnd < from || event.firstStart >= to)
      continue;
    auto replaced = event.uid ? replacedByUid.find(*event.uid) : replacedByUid.end();
    Expansion(event, replaced != replacedByUid.end() ? replaced->second : none, from, to, budget,
              out)
        .run();
  }
}

}  // namespace vell::calendar_item
