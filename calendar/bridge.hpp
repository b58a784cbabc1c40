#pragma once

// The calendar bridge: serves the parent through files under one base
// folder. Job files dropped into `jobs/` are answered with result files of
// the same name in `results/`; `status.json` tells the permission state and
// the calendars, rewritten at every one-second tick.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/run_loop.hpp"
#include "calendar/taken_jobs.hpp"
#include "platform/calendar/store.hpp"

namespace vell::calendar {

class CalendarBridge {
 public:
  CalendarBridge(std::string root, CalendarStore& store, RunLoop& loop);

  // Writes the status, asks for calendar access when it was never answered,
  // and starts the one-second timer.
  void applicationDidFinishLaunching();

  // One timer tick: the status, then every job file waiting in `jobs/`.
  void tick();

  // `root` with `name` appended as a path component; `name` may hold slashes.
  std::string path(std::string_view name) const;

  // Whether the calendar store grants full access.
  bool authorized() const;

  // Rewrites `status.json`.
  void report();

  // Takes the job file `name` from `jobs/`: reads it, deletes it, carries
  // it out and writes the answer to `results/` under the same name. A file
  // that is not a JSON object gets no answer.
  void process(const std::string& name);

 private:
  // Nothing when the run is ended while the events are listed.
  std::optional<nlohmann::json> listEvents(const nlohmann::json& job,
                                           const std::vector<EventCalendar>& calendars,
                                           double start, double end);
  nlohmann::json createEvent(const nlohmann::json& job, const std::vector<EventCalendar>& calendars,
                             double start, double end);

  const std::string root_;
  CalendarStore& store_;
  RunLoop& loop_;
  TakenJobs takenJobs_;
};

// The program: `arguments` are the command-line arguments after the
// program's name. Returns the exit status.
int run(const std::vector<std::string>& arguments);

}  // namespace vell::calendar
