#include "platform/calendar/time.hpp"

#include <ctime>
#include <map>
#include <mutex>

#include "platform/calendar/zone_bounds.hpp"

namespace vell::calendar_time {

namespace {

// Days from 1970-01-01 to a civil date (Howard Hinnant's algorithm); exact
// for any year, unlike timegm on a 32-bit tm_year.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::int64_t localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  std::time_t result = std::mktime(&local);
  // mktime fails only outside its range; UTC is then the nearest sound answer.
  if (result == static_cast<std::time_t>(-1) && (local.tm_year != 69 || local.tm_mon != 11))
    return utcSeconds(year, month, day, hour, minute, second);
  return result;
}

bool plausibleZoneName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name.front() == '/' ||
      name.find("..") != std::string::npos)
    return false;
  for (char c : name) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter && c != '/' && c != '_' && c != '-' && c != '+')
      return false;
  }
  return true;
}

icaltimezone* lookUp(const std::string& name) {
  // A miss costs a file look-up inside libical, so misses are remembered too.
  static std::mutex guard;
  static std::map<std::string, icaltimezone*> known;
  std::lock_guard lock(guard);
  auto found = known.find(name);
  if (found != known.end())
    return found->second;
  icaltimezone* zone =
      plausibleZoneName(name) ? icaltimezone_get_builtin_timezone(name.c_str()) : nullptr;
  if (known.size() < 4096)
    known.emplace(name, zone);
  return zone;
}

// The Gregorian calendar repeats every 400 years, weekdays and leap days
// included; so do the yearly rules of time zones.
constexpr int cycleYears = 400;
constexpr std::int64_t cycleSeconds = std::int64_t{146097} * 86400;

// libical expands a zone's offset changes from its first year up to the
// year a conversion asks for, and does it again from the start each time a
// later year is asked for: years asked for one after another would expand
// the zone hundreds of times. Asking first for one of two far years keeps
// that to two expansions per zone, whatever the years.
void cover(const icaltimezone* zone, int year) {
  if (!zone || zone == icaltimezone_get_utc_timezone())
    return;
  constexpr int nearYear = 2100;
  icaltimetype probe = icaltime_null_time();
  probe.year = year <= nearYear ? nearYear : calendar_zone::lastYear;
  probe.month = 1;
  probe.day = 1;
  icaltimezone_get_utc_offset(const_cast<icaltimezone*>(zone), &probe, nullptr);
}

// Whole cycles to take off a year so that it is one libical has offsets
// for; years after that repeat the last cycle's.
int cyclesPast(int year) {
  return year > calendar_zone::lastYear
             ? (year - calendar_zone::lastYear + cycleYears - 1) / cycleYears
             : 0;
}

}  // namespace

std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second) {
  return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
         hour * 3600 + minute * 60 + second;
}

std::int64_t localMidnight(int year, int month, int day) {
  return localTime(year, month, day, 0, 0, 0);
}

std::int64_t seconds(const icaltimetype& time) {
  if (time.is_date)
    return localMidnight(time.year, time.month, time.day);
  if (time.zone == icaltimezone_get_utc_timezone())
    return utcSeconds(time.year, time.month, time.day, time.hour, time.minute, time.second);
  if (time.zone) {
    const int cycles = cyclesPast(time.year);
    icaltimetype folded = time;
    folded.year -= cycles * cycleYears;
    cover(time.zone, folded.year);
    // libical converts through time_t; keep the arithmetic of its offset.
    icaltimetype utc = icaltime_convert_to_zone(folded, icaltimezone_get_utc_timezone());
    return utcSeconds(utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second) +
           cycles * cycleSeconds;
  }
  return localTime(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

icaltimetype wallClock(std::int64_t seconds, const icaltimezone* zone, bool isDate) {
  if (!zone)
    zone = icaltimezone_get_utc_timezone();
  // A day's margin so the wall clock of a folded instant stays in range.
  const std::int64_t lastSecond = utcSeconds(calendar_zone::lastYear, 12, 30, 0, 0, 0);
  std::int64_t cycles = 0;
  if (seconds > lastSecond) {
    cycles = (seconds - lastSecond + cycleSeconds - 1) / cycleSeconds;
    seconds -= cycles * cycleSeconds;
  }
  cover(zone, static_cast<int>(seconds / (365 * 86400)) + 1970);
  icaltimetype time = icaltime_from_timet_with_zone(static_cast<time_t>(seconds), isDate,
                                                    const_cast<icaltimezone*>(zone));
  time.year += static_cast<int>(cycles) * cycleYears;
  return time;
}

icaltimetype addDays(icaltimetype time, int days) {
  icaltime_adjust(&time, days, 0, 0, 0);
  return time;
}

icaltimezone* systemZone(const std::string& tzid) {
  return lookUp(tzid);
}

icaltimezone* systemZoneBySuffix(const std::string& tzid) {
  // Only tails short enough to be zone names are tried, so a TZID of many
  // slashes costs no more than a short one.
  constexpr std::size_t longestName = 64;
  const std::size_t earliest = tzid.size() > longestName ? tzid.size() - longestName - 1 : 0;
  for (auto slash = tzid.find('/', earliest); slash != std::string::npos;
       slash = tzid.find('/', slash + 1)) {
    if (icaltimezone* zone = lookUp(tzid.substr(slash + 1)))
      return zone;
  }
  return nullptr;
}

}  // namespace vell::calendar_time
