#pragma once

// The time zones an item defines itself (VTIMEZONE) are expanded by libical
// into the list of their offset changes, from each observance's first year
// on, all at once and with no limit of its own: an observance repeating
// every second from 1601 grows that list for ever. Before libical sees such
// a zone, its observances are cut to what a real zone holds: yearly rules
// with a few changes a year, and a bounded number of changes in all.
// Internal to the calendar store.

#include <libical/ical.h>

#include <cstdint>

namespace vell::calendar_zone {

// The last year libical expands zones to (on 64-bit systems).
inline constexpr int lastYear = 2582;

// The changes all the zones of one item may expand to: several real zones
// from the year 1601 on, a few hundred kilobytes at most.
inline constexpr std::int64_t maxChanges = 10000;

// Cuts the STANDARD and DAYLIGHT observances of `vtimezone` in place. A
// rule that is not yearly, or that may change the offset more than a few
// times a year, is removed (the observance then takes effect once, at its
// DTSTART). Every change the observances may make counts against `budget`;
// rules and dates beyond it are removed, observances beyond it dropped.
void boundObservances(icalcomponent* vtimezone, std::int64_t& budget);

}  // namespace vell::calendar_zone
