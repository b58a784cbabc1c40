#pragma once

// Time conversions of the calendar store: iCalendar wall-clock values to
// seconds since 1970 UTC. Internal to the store.

#include <libical/ical.h>

#include <cstdint>
#include <string>

namespace vell::calendar_time {

// Seconds of a calendar date (proleptic Gregorian) at midnight UTC.
std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second);

// The local midnight that starts a date, in the process's own time zone.
std::int64_t localMidnight(int year, int month, int day);

// Seconds of `time`: a DATE is the local midnight that starts it, a UTC value
// is taken as such, a value with a zone through that zone, and a floating
// value as a local time of the process's own zone.
std::int64_t seconds(const icaltimetype& time);

// The wall clock of `seconds` in `zone` (UTC when there is none), as a DATE
// when `isDate`.
icaltimetype wallClock(std::int64_t seconds, const icaltimezone* zone, bool isDate);

// `time` moved by whole days on its own calendar (the wall clock stays).
icaltimetype addDays(icaltimetype time, int days);

// The zone of the system's zone database named `tzid`, or nullptr. Names
// that cannot be zone names (empty, "..", characters outside the database's)
// give nullptr without a look-up.
icaltimezone* systemZone(const std::string& tzid);

// For TZIDs with a vendor prefix ("/mozilla.org/20050126_1/Europe/Berlin"):
// the system zone named by the longest trailing part of `tzid`, or nullptr.
icaltimezone* systemZoneBySuffix(const std::string& tzid);

}  // namespace vell::calendar_time
