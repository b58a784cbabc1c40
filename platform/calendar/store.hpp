#pragma once

// The calendar store: vdir collections of iCalendar items under one root
// folder (the layout vdirsyncer and khal share). The root holds account
// folders; each holds calendar folders with one `.ics` item per event and the
// optional metadata files `displayname` and `subscription`.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/result.hpp"

namespace vell {

// The store's authorization for events, with the platform's values.
enum class CalendarAuthorization {
  notDetermined = 0,
  restricted = 1,
  denied = 2,
  fullAccess = 3,
  writeOnly = 4,
};

struct EventCalendar {
  std::string calendarIdentifier;          // "account/calendar" below the root
  std::optional<std::string> title;        // the calendar's displayname
  std::optional<std::string> sourceTitle;  // the account's displayname, else its folder name
  bool allowsContentModifications = false;
  bool isSubscribed = false;
};

// An event, or one occurrence of a repeating event (which shares the
// identifier of its series). Times are seconds since 1970 UTC.
struct CalendarEvent {
  std::optional<std::string> eventIdentifier;  // the item's UID
  std::optional<std::string> title;            // SUMMARY
  std::int64_t startDate = 0;
  std::int64_t endDate = 0;
  bool isAllDay = false;
  std::string calendarIdentifier;
  std::optional<std::string> calendarTitle;
};

class ItemCache;

class CalendarStore {
 public:
  // The platform's store: $XDG_DATA_HOME/vell/calendars, or
  // ~/.local/share/vell/calendars without XDG_DATA_HOME.
  static std::filesystem::path defaultRoot();

  explicit CalendarStore(std::filesystem::path root);
  ~CalendarStore();
  CalendarStore(const CalendarStore&) = delete;
  CalendarStore& operator=(const CalendarStore&) = delete;

  const std::filesystem::path& root() const { return root_; }

  // From the root folder's modes, read afresh: no root is not determined, a
  // readable and writable one full access, a writable-only one write-only,
  // anything else (unreadable, not a folder) denied.
  CalendarAuthorization authorizationStatus() const;

  // Creates the root (mode 0700, missing parents 0700) when there is none,
  // then calls `completion` with whether full access holds. Never asks
  // anyone: the folder's modes are the user's answer.
  void requestFullAccess(const std::function<void(bool granted)>& completion);

  // The calendars, ordered by identifier. Unreadable folders are left out.
  std::vector<EventCalendar> calendars() const;

  // The events of `calendars` that overlap [`start`, `end`] (an event lasting
  // no time counts when it starts in the range), repeating events expanded
  // into their occurrences; in no particular order. Items are parsed once
  // and kept while their size and modification time stay the same.
  std::vector<CalendarEvent> events(double start, double end,
                                    const std::vector<EventCalendar>& calendars);

  // The same, asking `interrupted` before each item is read or expanded:
  // once it answers true the listing stops and gives nothing.
  std::optional<std::vector<CalendarEvent>> events(double start, double end,
                                                   const std::vector<EventCalendar>& calendars,
                                                   const std::function<bool()>& interrupted);

  // Whether an item can hold an event with these values: a title without a
  // NUL character, start and end in the years 1..9999, the end not before
  // the start. The event itself is at fault otherwise, not the store.
  static bool canHold(const std::string& title, double start, double end);

  // Saves a new item `<uuid>.ics` into `calendar` (UID, DTSTAMP, DTSTART and
  // DTEND in UTC to the second, SUMMARY `title`), written atomically.
  // Returns its identifier, or an error when the item could not be written
  // or cannot hold the values (see `canHold`).
  Result<std::string> save(const EventCalendar& calendar, const std::string& title, double start,
                           double end);

 private:
  std::filesystem::path root_;
  std::unique_ptr<ItemCache> cache_;
};

}  // namespace vell
