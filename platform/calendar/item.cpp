#include "platform/calendar/item.hpp"

#include <algorithm>
#include <map>

#include "platform/calendar/text.hpp"
#include "platform/calendar/time.hpp"
#include "platform/calendar/zone_bounds.hpp"

namespace vell::calendar_item {

using calendar_time::seconds;

// Bounds of all occurrences of `event` (recurrence.cpp); walks of rules
// take from `budget`.
void setBounds(ItemEvent& event, std::int64_t& budget);

namespace {

struct ComponentFree {
  void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentFree>;

struct ParserFree {
  void operator()(icalparser* parser) const { icalparser_free(parser); }
};

struct TextSource {
  const char* next;
  const char* end;
};

char* nextLine(char* buffer, size_t size, void* data) {
  auto* source = static_cast<TextSource*>(data);
  if (source->next >= source->end || size < 2)
    return nullptr;
  size_t length = 0;
  while (source->next < source->end && length + 1 < size) {
    char c = *source->next++;
    buffer[length++] = c;
    if (c == '\n')
      break;
  }
  buffer[length] = '\0';
  return buffer;
}

ComponentPtr parseComponent(std::string_view text) {
  std::unique_ptr<icalparser, ParserFree> parser(icalparser_new());
  if (!parser)
    return nullptr;
  TextSource source{text.data(), text.data() + text.size()};
  icalparser_set_gen_data(parser.get(), &source);
  if (icalcomponent* root = icalparser_parse(parser.get(), nextLine))
    return ComponentPtr(root);
  // Items cut short (no END:VCALENDAR) still hold whole events. The closed
  // component stays owned by the parser, hence the copy.
  icalcomponent* closed = icalparser_clean(parser.get());
  return ComponentPtr(closed ? icalcomponent_new_clone(closed) : nullptr);
}

void collect(icalcomponent* component, int depth, std::vector<icalcomponent*>& events,
             std::vector<icalcomponent*>& zones) {
  switch (icalcomponent_isa(component)) {
    case ICAL_VEVENT_COMPONENT:
      events.push_back(component);
      return;
    case ICAL_VTIMEZONE_COMPONENT:
      zones.push_back(component);
      return;
    case ICAL_XROOT_COMPONENT:
    case ICAL_VCALENDAR_COMPONENT:
      if (depth > 2)
        return;
      for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
           child; child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        collect(child, depth + 1, events, zones);
      return;
    default:
      return;
  }
}

// TZIDs of one item: the system's zone database first, then the item's own
// VTIMEZONEs (for names like "W. Europe Standard Time"), then the database
// by the name's tail.
class Zones {
 public:
  Zones(const std::vector<icalcomponent*>& components, std::vector<OwnedZone>& owned)
      : components_(components), owned_(owned) {}

  const icaltimezone* find(const std::string& tzid) {
    if (icaltimezone* zone = calendar_time::systemZone(tzid))
      return zone;
    auto known = own_.find(tzid);
    if (known != own_.end())
      return known->second;
    icaltimezone* zone = fromItem(tzid);
    if (!zone)
      zone = calendar_time::systemZoneBySuffix(tzid);
    own_.emplace(tzid, zone);
    return zone;
  }

 private:
  icaltimezone* fromItem(const std::string& tzid) {
    for (icalcomponent* component : components_) {
      icalproperty* id = icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY);
      const char* name = id ? icalproperty_get_tzid(id) : nullptr;
      if (!name || tzid != name)
        continue;
      OwnedZone zone(icaltimezone_new());
      if (!zone)
        return nullptr;
      icalcomponent* copy = icalcomponent_new_clone(component);
      calendar_zone::boundObservances(copy, changes_);
      if (!icaltimezone_set_component(zone.get(), copy)) {
        icalcomponent_free(copy);
        return nullptr;
      }
      owned_.push_back(std::move(zone));
      return owned_.back().get();
    }
    return nullptr;
  }

  const std::vector<icalcomponent*>& components_;
  std::vector<OwnedZone>& owned_;
  std::map<std::string, icaltimezone*> own_;
  std::int64_t changes_ = calendar_zone::maxChanges;
};

bool validTime(const icaltimetype& time) {
  if (time.year < 1 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1 ||
      time.day > icaltime_days_in_month(time.month, time.year))
    return false;
  if (time.is_date)
    return true;
  return time.hour >= 0 && time.hour < 24 && time.minute >= 0 && time.minute < 60 &&
         time.second >= 0 && time.second <= 60;
}

// `time`, read from `property`, with the zone its TZID names; nothing when
// it is not a usable date or date-time.
std::optional<icaltimetype> withZone(icaltimetype time, icalproperty* property, Zones& zones) {
  if (icaltime_is_null_time(time) || !validTime(time))
    return std::nullopt;
  if (time.is_date) {
    time.zone = nullptr;
    return time;
  }
  if (icaltime_is_utc(time))
    return time;
  time.zone = nullptr;
  if (icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
    if (const char* name = icalparameter_get_tzid(tzid))
      time.zone = zones.find(name);
  }
  return time;
}

std::optional<icaltimetype> timeOf(icalproperty* property, Zones& zones) {
  icalvalue* value = icalproperty_get_value(property);
  if (!value)
    return std::nullopt;
  icalvalue_kind kind = icalvalue_isa(value);
  if (kind != ICAL_DATE_VALUE && kind != ICAL_DATETIME_VALUE)
    return std::nullopt;
  return withZone(icalvalue_get_datetime(value), property, zones);
}

std::optional<std::string> textOf(icalcomponent* component, icalproperty_kind kind) {
  icalproperty* property = icalcomponent_get_first_property(component, kind);
  icalvalue* value = property ? icalproperty_get_value(property) : nullptr;
  const char* text =
      value && icalvalue_isa(value) == ICAL_TEXT_VALUE ? icalvalue_get_text(value) : nullptr;
  if (!text)
    return std::nullopt;
  return std::string(text);
}

std::int64_t daysBetween(const icaltimetype& from, const icaltimetype& to) {
  return (calendar_time::utcSeconds(to.year, to.month, to.day, 0, 0, 0) -
          calendar_time::utcSeconds(from.year, from.month, from.day, 0, 0, 0)) /
         86400;
}

void readLength(icalcomponent* component, ItemEvent& event, Zones& zones) {
  if (icalproperty* dtend = icalcomponent_get_first_property(component, ICAL_DTEND_PROPERTY)) {
    if (auto end = timeOf(dtend, zones)) {
      if (event.allDay)
        event.durationDays =
            static_cast<int>(std::clamp<std::int64_t>(daysBetween(event.start, *end), 0, 3660000));
      else
        event.durationSeconds = std::max<std::int64_t>(0, seconds(*end) - event.startSeconds);
      return;
    }
  }
  if (icalproperty* duration =
          icalcomponent_get_first_property(component, ICAL_DURATION_PROPERTY)) {
    icaldurationtype length = icalproperty_get_duration(duration);
    if (!length.is_neg && !icaldurationtype_is_bad_duration(length)) {
      if (event.allDay)
        event.durationDays = std::max<int>(static_cast<int>(length.weeks * 7 + length.days),
                                           length.hours || length.minutes || length.seconds);
      else
        event.durationSeconds = icaldurationtype_as_int(length);
      return;
    }
  }
  // No end: an all-day event lasts its day, a timed one no time.
  if (event.allDay)
    event.durationDays = 1;
}

void readRecurrence(icalcomponent* component, ItemEvent& event, Zones& zones) {
  for (icalproperty* rule = icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY); rule;
       rule = icalcomponent_get_next_property(component, ICAL_RRULE_PROPERTY)) {
    if (char* text = icalproperty_get_value_as_string_r(rule)) {
      event.rules.emplace_back(text);
      icalmemory_free_buffer(text);
    }
  }
  for (icalproperty* rdate = icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY);
       rdate; rdate = icalcomponent_get_next_property(component, ICAL_RDATE_PROPERTY)) {
    if (!icalproperty_get_value(rdate))
      continue;
    icaldatetimeperiodtype value = icalproperty_get_rdate(rdate);
    if (!icaltime_is_null_time(value.time)) {
      if (auto start = withZone(value.time, rdate, zones)) {
        std::int64_t begin = seconds(*start);
        std::int64_t end = event.allDay
                               ? seconds(calendar_time::addDays(*start, event.durationDays))
                               : begin + event.durationSeconds;
        event.rdates.push_back({begin, end});
      }
      continue;
    }
    auto start = withZone(value.period.start, rdate, zones);
    if (!start)
      continue;
    std::int64_t begin = seconds(*start);
    std::int64_t end = begin;
    if (auto stop = withZone(value.period.end, rdate, zones))
      end = std::max(begin, seconds(*stop));
    else if (!value.period.duration.is_neg)
      end = begin + icaldurationtype_as_int(value.period.duration);
    event.rdates.push_back({begin, end});
  }
  for (icalproperty* exdate = icalcomponent_get_first_property(component, ICAL_EXDATE_PROPERTY);
       exdate; exdate = icalcomponent_get_next_property(component, ICAL_EXDATE_PROPERTY)) {
    auto excluded = timeOf(exdate, zones);
    if (!excluded)
      continue;
    if (excluded->is_date)
      event.exdateDays.push_back(excluded->year * 10000 + excluded->month * 100 + excluded->day);
    else
      event.exdates.push_back(seconds(*excluded));
  }
  if (icalproperty* id = icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY)) {
    if (auto replaced = timeOf(id, zones))
      event.recurrenceId = seconds(*replaced);
  }
}

std::optional<ItemEvent> readEvent(icalcomponent* component, Zones& zones, std::int64_t& budget) {
  icalproperty* dtstart = icalcomponent_get_first_property(component, ICAL_DTSTART_PROPERTY);
  std::optional<icaltimetype> start = dtstart ? timeOf(dtstart, zones) : std::nullopt;
  if (!start)
    return std::nullopt;
  ItemEvent event;
  event.uid = textOf(component, ICAL_UID_PROPERTY);
  event.summary = textOf(component, ICAL_SUMMARY_PROPERTY);
  event.start = *start;
  event.allDay = start->is_date;
  event.startSeconds = seconds(*start);
  readLength(component, event, zones);
  readRecurrence(component, event, zones);
  std::sort(event.exdates.begin(), event.exdates.end());
  std::sort(event.exdateDays.begin(), event.exdateDays.end());
  setBounds(event, budget);
  return event;
}

}  // namespace

std::unique_ptr<Item> parseItem(std::string_view text) {
  auto item = std::make_unique<Item>();
  // libical builds, copies and frees components recursively: hundreds of
  // thousands of open BEGIN lines overflow the stack. Real items nest a few
  // levels deep.
  if (calendar_text::deepestNesting(text) > maxNesting)
    return item;
  ComponentPtr root = parseComponent(text);
  if (!root)
    return item;
  std::vector<icalcomponent*> events;
  std::vector<icalcomponent*> zoneComponents;
  collect(root.get(), 0, events, zoneComponents);
  Zones zones(zoneComponents, item->zones);
  // Summaries as written, when the file's VEVENTs are the ones libical found.
  auto written = calendar_text::summaries(text);
  if (written.size() != events.size())
    written.assign(events.size(), std::nullopt);
  std::int64_t budget = walkBudget;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (auto event = readEvent(events[i], zones, budget)) {
      event->summary = calendar_text::exactSummary(event->summary, written[i]);
      item->events.push_back(std::move(*event));
    }
  }
  return item;
}

}  // namespace vell::calendar_item
