#include "platform/calendar/store.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <libical/ical.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/atomic_file.hpp"
#include "platform/calendar/item.hpp"
#include "platform/calendar/item_cache.hpp"

namespace vell {

namespace fs = std::filesystem;

namespace {

// Instants a calendar item can hold: years 1 to 9999.
constexpr double earliest = -62135596800.0;
constexpr double latest = 253402300799.0;

bool accessible(const fs::path& path, int mode) {
  return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

bool isFolder(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Visible sub-folders of `folder`, sorted by name.
std::vector<std::string> subFolders(const fs::path& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir)
    return names;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.' && isFolder(folder / entry->d_name))
      names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// A metadata file's text without its trailing line break; nothing when the
// file is missing, unreadable or empty.
std::optional<std::string> metadata(const fs::path& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::string text(4096, '\0');
  ssize_t got = ::read(fd, text.data(), text.size());
  ::close(fd);
  if (got <= 0)
    return std::nullopt;
  text.resize(static_cast<size_t>(got));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  if (text.empty())
    return std::nullopt;
  return text;
}

// Creates `folder` and its missing parents, each with mode 0700.
bool makeFolders(const fs::path& folder) {
  if (isFolder(folder))
    return true;
  fs::path parent = folder.parent_path();
  if (!parent.empty() && parent != folder && !makeFolders(parent))
    return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

Result<std::string> newIdentifier() {
  unsigned char bytes[16];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    return Error{"no random bytes for an identifier"};
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  return std::string(text);
}

icaltimetype utcTime(std::int64_t seconds) {
  return icaltime_from_timet_with_zone(static_cast<time_t>(seconds), 0,
                                       icaltimezone_get_utc_timezone());
}

struct ComponentFree {
  void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};

std::string itemText(const std::string& uid, const std::string& title, std::int64_t start,
                     std::int64_t end) {
  std::unique_ptr<icalcomponent, ComponentFree> calendar(
      icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                          icalproperty_new_prodid("-//vell//vell-calendar//EN"), nullptr));
  icalcomponent* event = icalcomponent_vanew(
      ICAL_VEVENT_COMPONENT, icalproperty_new_uid(uid.c_str()),
      icalproperty_new_dtstamp(utcTime(static_cast<std::int64_t>(std::time(nullptr)))),
      icalproperty_new_dtstart(utcTime(start)), icalproperty_new_dtend(utcTime(end)),
      icalproperty_new_summary(title.c_str()), nullptr);
  icalcomponent_add_component(calendar.get(), event);
  char* text = icalcomponent_as_ical_string_r(calendar.get());
  std::string result = text ? text : "";
  icalmemory_free_buffer(text);
  return result;
}

}  // namespace

fs::path CalendarStore::defaultRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/')
    return fs::path(data) / "vell" / "calendars";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : "/";
  }
  return fs::path(home) / ".local" / "share" / "vell" / "calendars";
}

CalendarStore::CalendarStore(fs::path root)
    : root_(std::move(root)), cache_(std::make_unique<ItemCache>()) {
  // An item that libical objects to must never end the process.
  icalerror_set_errors_are_fatal(0);
}

CalendarStore::~CalendarStore() = default;

CalendarAuthorization CalendarStore::authorizationStatus() const {
  struct stat status {};
  if (::stat(root_.c_str(), &status) != 0)
    return errno == ENOENT ? CalendarAuthorization::notDetermined : CalendarAuthorization::denied;
  if (!S_ISDIR(status.st_mode))
    return CalendarAuthorization::denied;
  const bool readable = accessible(root_, R_OK | X_OK);
  const bool writable = accessible(root_, W_OK | X_OK);
  if (readable && writable)
    return CalendarAuthorization::fullAccess;
  if (writable)
    return CalendarAuthorization::writeOnly;
  return CalendarAuthorization::denied;
}

void CalendarStore::requestFullAccess(const std::function<void(bool granted)>& completion) {
  if (authorizationStatus() == CalendarAuthorization::notDetermined &&
      makeFolders(root_.parent_path()) && ::mkdir(root_.c_str(), 0700) == 0) {
    // Exactly 0700, whatever the file-creation mask.
    ::chmod(root_.c_str(), 0700);
  }
  completion(authorizationStatus() == CalendarAuthorization::fullAccess);
}

std::vector<EventCalendar> CalendarStore::calendars() const {
  std::vector<EventCalendar> found;
  for (const std::string& account : subFolders(root_)) {
    const fs::path accountFolder = root_ / account;
    std::optional<std::string> accountTitle = metadata(accountFolder / "displayname");
    if (!accountTitle)
      accountTitle = account;
    for (const std::string& calendar : subFolders(accountFolder)) {
      const fs::path folder = accountFolder / calendar;
      if (!accessible(folder, R_OK | X_OK))
        continue;
      EventCalendar record;
      record.calendarIdentifier = account + "/" + calendar;
      record.title = metadata(folder / "displayname");
      record.sourceTitle = accountTitle;
      record.allowsContentModifications = accessible(folder, W_OK | X_OK);
      record.isSubscribed = ::access((folder / "subscription").c_str(), F_OK) == 0;
      found.push_back(std::move(record));
    }
  }
  return found;
}

std::vector<CalendarEvent> CalendarStore::events(double start, double end,
                                                 const std::vector<EventCalendar>& calendars) {
  return *events(start, end, calendars, [] { return false; });
}

std::optional<std::vector<CalendarEvent>> CalendarStore::events(
    double start, double end, const std::vector<EventCalendar>& calendars,
    const std::function<bool()>& interrupted) {
  std::vector<CalendarEvent> found;
  if (!(start < end) || end < earliest || start > latest)
    return found;
  const auto from = static_cast<std::int64_t>(std::floor(std::max(start, earliest)));
  const auto to = static_cast<std::int64_t>(std::ceil(std::min(end, latest))) + 1;
  std::vector<calendar_item::Occurrence> occurrences;
  for (const EventCalendar& calendar : calendars) {
    auto items = cache_->items(root_ / calendar.calendarIdentifier, interrupted);
    if (!items)
      return std::nullopt;
    for (const auto& item : *items) {
      if (interrupted())
        return std::nullopt;
      occurrences.clear();
      calendar_item::occurrences(*item, from, to, occurrences);
      for (const calendar_item::Occurrence& occurrence : occurrences) {
        const auto eventStart = static_cast<double>(occurrence.span.start);
        const auto eventEnd = static_cast<double>(occurrence.span.end);
        // The exact test against the fractional range.
        bool inside = eventEnd > eventStart ? eventStart < end && eventEnd > start
                                            : eventStart >= start && eventStart < end;
        if (!inside)
          continue;
        found.push_back({occurrence.event->uid, occurrence.event->summary, occurrence.span.start,
                         occurrence.span.end, occurrence.event->allDay, calendar.calendarIdentifier,
                         calendar.title});
      }
    }
  }
  return found;
}

bool CalendarStore::canHold(const std::string& title, double start, double end) {
  return title.find('\0') == std::string::npos && start >= earliest && start <= latest &&
         end >= earliest && end <= latest && start <= end;
}

Result<std::string> CalendarStore::save(const EventCalendar& calendar, const std::string& title,
                                        double start, double end) {
  if (!canHold(title, start, end))
    return Error{"an item cannot hold this event (a NUL in its title, or dates out of range)"};
  auto uid = newIdentifier();
  if (!uid)
    return uid.error();
  const std::string text = itemText(*uid, title, static_cast<std::int64_t>(std::floor(start)),
                                    static_cast<std::int64_t>(std::floor(end)));
  const fs::path target = root_ / calendar.calendarIdentifier / (*uid + ".ics");
  if (auto written = writeFileAtomically(target, text, 0600); !written)
    return written.error();
  return *uid;
}

}  // namespace vell
