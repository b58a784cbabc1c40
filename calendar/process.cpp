// Job processing: one job file in, at most one result file out.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "calendar/bridge.hpp"
#include "calendar/iso8601.hpp"
#include "calendar/job.hpp"
#include "calendar/json_file.hpp"
#include "calendar/messages.hpp"

namespace vell::calendar {

namespace {

constexpr std::size_t maxEvents = 300;
constexpr std::size_t maxTitleLength = 300;

nlohmann::json errorAnswer(std::string_view text) {
  return {{"error", text}};
}

nlohmann::json eventRecord(const CalendarEvent& event) {
  return {{"id", event.eventIdentifier.value_or("")},
          {"title", event.title.value_or("Untitled")},
          {"start", iso8601(event.startDate)},
          {"end", iso8601(event.endDate)},
          {"allDay", event.isAllDay},
          {"calendar", event.calendarTitle.value_or("")},
          {"calendarId", event.calendarIdentifier}};
}

// Removes the job at `path`, whatever it is: a folder named like a job goes
// with all it holds (links inside are removed, never followed).
bool removeJob(const std::string& path) {
  if (std::remove(path.c_str()) == 0)
    return true;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
    return false;
  std::error_code failed;
  std::filesystem::remove_all(path, failed);
  return !failed;
}

const std::string* stringMember(const nlohmann::json& job, const char* key) {
  auto member = job.find(key);
  if (member == job.end() || !member->is_string())
    return nullptr;
  return &member->get_ref<const std::string&>();
}

}  // namespace

void CalendarBridge::process(const std::string& name) {
  const std::string jobPath = path("jobs/" + name);
  // Carried out once already, but it could not be deleted.
  if (takenJobs_.holds(name, jobPath))
    return;
  std::optional<nlohmann::json> job;
  if (auto bytes = readJobFile(jobPath))
    job = parseJob(*bytes);
  // Deleted before any answer, so a job is taken exactly once.
  if (!removeJob(jobPath))
    takenJobs_.remember(name, jobPath);
  const std::string resultPath = path("results/" + name);
  if (!job)
    return;
  if (!authorized()) {
    writeJSON(errorAnswer(message::notAuthorized), resultPath);
    return;
  }
  const std::vector<EventCalendar> calendars = store_.calendars();
  const std::optional<double> start = numberOf(*job, "start");
  const std::optional<double> end = numberOf(*job, "end");
  if (!validRange(start, end)) {
    writeJSON(errorAnswer(message::badRange), resultPath);
    return;
  }
  const std::string* task = stringMember(*job, "task");
  if (task && *task == "events") {
    // A listing cut short by the end of the run is no answer at all.
    if (std::optional<nlohmann::json> answer = listEvents(*job, calendars, *start, *end))
      writeJSON(*answer, resultPath);
  } else if (task && *task == "create")
    writeJSON(createEvent(*job, calendars, *start, *end), resultPath);
  else
    writeJSON(errorAnswer(message::unsupported), resultPath);
}

std::optional<nlohmann::json> CalendarBridge::listEvents(
    const nlohmann::json& job, const std::vector<EventCalendar>& calendars, double start,
    double end) {
  auto ids = job.find("calendarIds");
  if (ids == job.end() || !ids->is_array() || ids->empty())
    return errorAnswer(message::selectCalendars);
  std::vector<EventCalendar> selected;
  for (const EventCalendar& calendar : calendars) {
    auto named = [&](const nlohmann::json& id) {
      return id.is_string() && id.get_ref<const std::string&>() == calendar.calendarIdentifier;
    };
    if (std::any_of(ids->begin(), ids->end(), named))
      selected.push_back(calendar);
  }
  if (selected.empty())
    return errorAnswer(message::calendarsGone);

  std::optional<std::vector<CalendarEvent>> listed =
      store_.events(start, end, selected, [this] { return loop_.stopRequested(); });
  if (!listed)
    return std::nullopt;
  std::vector<CalendarEvent>& events = *listed;
  // Ties in start are put in a fixed order so that answers repeat exactly.
  std::sort(events.begin(), events.end(), [](const CalendarEvent& a, const CalendarEvent& b) {
    return std::tie(a.startDate, a.endDate, a.calendarIdentifier, a.eventIdentifier, a.title) <
           std::tie(b.startDate, b.endDate, b.calendarIdentifier, b.eventIdentifier, b.title);
  });
  nlohmann::json records = nlohmann::json::array();
  for (std::size_t i = 0; i < events.size() && i < maxEvents; ++i)
    records.push_back(eventRecord(events[i]));
  return nlohmann::json{{"events", std::move(records)},
                        {"truncated", events.size() > maxEvents ? 1 : 0}};
}

nlohmann::json CalendarBridge::createEvent(const nlohmann::json& job,
                                           const std::vector<EventCalendar>& calendars,
                                           double start, double end) {
  const std::string* calendarId = stringMember(job, "calendarId");
  auto calendar = std::find_if(calendars.begin(), calendars.end(), [&](const EventCalendar& c) {
    return calendarId && c.calendarIdentifier == *calendarId;
  });
  const std::string* title = stringMember(job, "title");
  if (calendar == calendars.end() || !calendar->allowsContentModifications || !title ||
      utf16Length(*title) > maxTitleLength || utf16Length(*title) == 0 ||
      !CalendarStore::canHold(*title, start, end))
    return errorAnswer(message::cannotAccept);
  auto saved = store_.save(*calendar, *title, start, end);
  if (!saved)
    return errorAnswer(message::notSaved);
  return {{"id", *saved}, {"status", "created"}};
}

}  // namespace vell::calendar
