#include "platform/calendar/zone_bounds.hpp"

#include <algorithm>
#include <optional>
#include <vector>

namespace vell::calendar_zone {

namespace {

// Real zones change their offset once or twice a year.
constexpr std::int64_t maxPerYear = 8;

template <std::size_t N>
std::int64_t countOf(const short (&list)[N]) {
  std::int64_t count = 0;
  while (count < static_cast<std::int64_t>(N) && list[count] != ICAL_RECURRENCE_ARRAY_MAX)
    ++count;
  return count;
}

// At least as many changes as a yearly rule can make in one year.
std::int64_t perYear(const icalrecurrencetype& rule) {
  const std::int64_t months = countOf(rule.by_month);
  const std::int64_t spanMonths = months > 0 ? months : 12;
  std::int64_t days = 0;
  if (countOf(rule.by_year_day) > 0) {
    days = countOf(rule.by_year_day);
  } else if (countOf(rule.by_month_day) > 0) {
    days = spanMonths * countOf(rule.by_month_day);
  } else if (countOf(rule.by_week_no) > 0) {
    days = countOf(rule.by_week_no) * std::max<std::int64_t>(1, countOf(rule.by_day));
  } else if (countOf(rule.by_day) > 0) {
    for (std::int64_t i = 0; i < countOf(rule.by_day); ++i) {
      const bool numbered = icalrecurrencetype_day_position(rule.by_day[i]) != 0;
      days += numbered ? std::max<std::int64_t>(months, 1) : (months > 0 ? 5 * months : 53);
    }
  } else {
    days = std::max<std::int64_t>(months, 1);
  }
  const auto atLeastOne = [](std::int64_t n) { return std::max<std::int64_t>(n, 1); };
  std::int64_t changes = days * atLeastOne(countOf(rule.by_hour)) *
                         atLeastOne(countOf(rule.by_minute)) * atLeastOne(countOf(rule.by_second));
  if (countOf(rule.by_set_pos) > 0)
    changes = std::min(changes, countOf(rule.by_set_pos));
  return std::max<std::int64_t>(changes, 1);
}

// The most changes `rule` can make from `firstYear` to the last year
// libical expands to; nothing when it is no rule a zone could hold.
std::optional<std::int64_t> changesOf(const icalrecurrencetype& rule, int firstYear) {
  if (rule.freq != ICAL_YEARLY_RECURRENCE || rule.interval < 1)
    return std::nullopt;
  const std::int64_t each = perYear(rule);
  if (each > maxPerYear)
    return std::nullopt;
  int last = lastYear;
  if (!icaltime_is_null_time(rule.until))
    last = std::min(last, rule.until.year);
  const std::int64_t years =
      std::max<std::int64_t>(0, (last - std::max(firstYear, 1)) / rule.interval + 1);
  std::int64_t changes = years * each;
  if (rule.count > 0)
    changes = std::min<std::int64_t>(changes, rule.count);
  return changes;
}

std::vector<icalproperty*> propertiesOf(icalcomponent* component, icalproperty_kind kind) {
  std::vector<icalproperty*> found;
  for (icalproperty* property = icalcomponent_get_first_property(component, kind); property;
       property = icalcomponent_get_next_property(component, kind))
    found.push_back(property);
  return found;
}

void removeProperty(icalcomponent* component, icalproperty* property) {
  icalcomponent_remove_property(component, property);
  icalproperty_free(property);
}

void boundObservance(icalcomponent* observance, std::int64_t& budget) {
  budget -= 1;  // the change at DTSTART
  int firstYear = 1;
  if (icalproperty* start = icalcomponent_get_first_property(observance, ICAL_DTSTART_PROPERTY))
    firstYear = icalproperty_get_dtstart(start).year;
  for (icalproperty* property : propertiesOf(observance, ICAL_RRULE_PROPERTY)) {
    const std::optional<std::int64_t> changes =
        changesOf(icalproperty_get_rrule(property), firstYear);
    if (!changes || *changes > budget) {
      removeProperty(observance, property);
      continue;
    }
    budget -= *changes;
  }
  for (icalproperty* property : propertiesOf(observance, ICAL_RDATE_PROPERTY)) {
    if (budget <= 0)
      removeProperty(observance, property);
    else
      budget -= 1;
  }
}

}  // namespace

void boundObservances(icalcomponent* vtimezone, std::int64_t& budget) {
  std::vector<icalcomponent*> observances;
  for (icalcomponent* child = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT);
       child; child = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT))
    observances.push_back(child);
  for (icalcomponent* observance : observances) {
    const icalcomponent_kind kind = icalcomponent_isa(observance);
    if ((kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) || budget <= 0) {
      icalcomponent_remove_component(vtimezone, observance);
      icalcomponent_free(observance);
      continue;
    }
    boundObservance(observance, budget);
  }
}

}  // namespace vell::calendar_zone
