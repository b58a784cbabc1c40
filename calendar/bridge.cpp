#include "calendar/bridge.hpp"

#include <dirent.h>

#include <chrono>
#include <set>

#include "calendar/json_file.hpp"
#include "calendar/messages.hpp"

namespace vell::calendar {

namespace {

nlohmann::json calendarRecord(const EventCalendar& calendar) {
  return {{"id", calendar.calendarIdentifier},
          {"title", calendar.title.value_or("Calendar")},
          {"account", calendar.sourceTitle.value_or("")},
          {"writable", calendar.allowsContentModifications},
          {"subscribed", calendar.isSubscribed}};
}

const char* stateOf(CalendarAuthorization status) {
  switch (status) {
    case CalendarAuthorization::fullAccess:
      return "ready";
    case CalendarAuthorization::notDetermined:
      return "permission_needed";
    default:
      return "denied";
  }
}

// Names in `folder`, one level, in the order the system lists them; none
// when the folder is missing or unreadable.
std::vector<std::string> contentsOfDirectory(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir)
    return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..")
      names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

// Only names ending in ".json" exactly are jobs: not "a.JSON", not
// "a.json.tmp", and not hidden ones such as ".a.json".
bool isJobName(std::string_view name) {
  constexpr std::string_view extension = ".json";
  // A hidden name is a job still being written: the parent renames it
  // into place when it is whole.
  return name.size() > extension.size() && name.ends_with(extension) && name.front() != '.';
}

}  // namespace

CalendarBridge::CalendarBridge(std::string root, CalendarStore& store, RunLoop& loop)
    : root_(std::move(root)), store_(store), loop_(loop) {}

std::string CalendarBridge::path(std::string_view name) const {
  std::string joined = root_;
  while (joined.size() > 1 && joined.back() == '/')
    joined.pop_back();
  if (!joined.empty() && joined.back() != '/')
    joined += '/';
  joined += name;
  return joined;
}

bool CalendarBridge::authorized() const {
  return store_.authorizationStatus() == CalendarAuthorization::fullAccess;
}

void CalendarBridge::report() {
  const CalendarAuthorization status = store_.authorizationStatus();
  const double updated =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  nlohmann::json document = {{"updated", updated}, {"state", stateOf(status)}};
  if (status == CalendarAuthorization::fullAccess) {
    nlohmann::json calendars = nlohmann::json::array();
    for (const EventCalendar& calendar : store_.calendars())
      calendars.push_back(calendarRecord(calendar));
    document["calendars"] = std::move(calendars);
  }
  writeJSON(document, path("status.json"));
}

void CalendarBridge::applicationDidFinishLaunching() {
  report();
  if (store_.authorizationStatus() == CalendarAuthorization::notDetermined) {
    // The answer is handed to the main loop, as it would come from elsewhere.
    store_.requestFullAccess([this](bool) { loop_.async([this] { report(); }); });
  }
  loop_.scheduleRepeating(std::chrono::seconds(1), [this] { tick(); });
}

void CalendarBridge::tick() {
  report();
  const std::vector<std::string> entries = contentsOfDirectory(path("jobs"));
  for (const std::string& name : entries) {
    // Ended from outside: the jobs left wait for the next run.
    if (loop_.stopRequested())
      return;
    if (isJobName(name))
      process(name);
  }
  takenJobs_.keepOnly(std::set<std::string>(entries.begin(), entries.end()));
}

int run(const std::vector<std::string>& arguments) {
  if (arguments.empty())
    return exitWithoutFolder;
  const std::string root = arguments[0];
  CalendarStore store(CalendarStore::defaultRoot());
  RunLoop loop;
  CalendarBridge bridge(root, store, loop);
  bridge.applicationDidFinishLaunching();
  return loop.run();
}

}  // namespace vell::calendar
