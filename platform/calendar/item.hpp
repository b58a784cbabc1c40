#pragma once

// One vdir item (an iCalendar file) parsed into its events, and the
// occurrences of those events in a time range. Internal to the calendar store.

#include <libical/ical.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::calendar_item {

struct ZoneFree {
  void operator()(icaltimezone* zone) const { icaltimezone_free(zone, 1); }
};
// A zone built from an item's own VTIMEZONE.
using OwnedZone = std::unique_ptr<icaltimezone, ZoneFree>;

// A span in seconds since 1970 UTC.
struct Span {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// One VEVENT: a single event, the master of a repeating one, or (with
// `recurrenceId`) an exception replacing one occurrence of its master.
struct ItemEvent {
  std::optional<std::string> uid;
  std::optional<std::string> summary;
  icaltimetype start{};  // DTSTART with its zone; a DATE for all-day events
  bool allDay = false;
  std::int64_t startSeconds = 0;
  std::int64_t durationSeconds = 0;  // timed events
  int durationDays = 0;              // all-day events
  std::vector<std::string> rules;    // RRULE values
  std::vector<Span> rdates;
  std::vector<std::int64_t> exdates;  // excluded starts, sorted
  std::vector<int> exdateDays;        // excluded dates (DATE values), as yyyymmdd, sorted
  std::optional<std::int64_t> recurrenceId;
  // Bounds of all occurrences, for skipping events far from a range.
  std::int64_t firstStart = 0;
  std::int64_t lastEnd = 0;  // INT64_MAX when the event repeats forever
};

struct Item {
  std::vector<ItemEvent> events;
  std::vector<OwnedZone> zones;  // referenced by the events' start times
};

// The work one item may take to read or to list a range: periods of its
// recurrence rules looked at, tens of milliseconds at most. A hostile item
// is read as far as that goes; real items need a few hundred.
inline constexpr std::int64_t walkBudget = 1000000;

// Components nested deeper than this make an item unreadable.
inline constexpr std::size_t maxNesting = 64;

// Parses an item. Text that is not iCalendar, holds no usable VEVENT (one
// without DTSTART is dropped) or nests deeper than `maxNesting` gives an
// item without events. A component missing its END line is closed at the
// end of the text.
std::unique_ptr<Item> parseItem(std::string_view text);

struct Occurrence {
  const ItemEvent* event;
  Span span;
};

// Appends to `out` the occurrences of `item` that overlap [`from`, `to`):
// start before `to` and end after `from`, or, lasting no time, start within
// it. Repeating events are expanded with their RRULEs, RDATEs, EXDATEs and
// exceptions; an exception is listed in place of the occurrence it replaces.
// The walks of the rules share one `walkBudget`.
void occurrences(const Item& item, std::int64_t from, std::int64_t to,
                 std::vector<Occurrence>& out);

}  // namespace vell::calendar_item
