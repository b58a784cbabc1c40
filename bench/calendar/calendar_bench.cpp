// Figures of vell-calendar on a store of 20 calendars and 10 000 events, a
// third of them repeating: CPU time of an idle tick, of a tick with an
// "events" job over 31 days and of one with a "create" job (each including
// the status file), beside the same events tick on a cold store (every item parsed: the work the
// item cache saves); and the latency from a job file appearing to its result, measured on the
// running program.
//
//   calendar_bench BIN_DIR [--ticks-only]
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "calendar/bridge.hpp"

namespace fs = std::filesystem;
using vell::CalendarStore;
using vell::calendar::CalendarBridge;
using vell::calendar::RunLoop;

namespace {

constexpr int calendarCount = 20;
constexpr int eventsPerCalendar = 500;
constexpr double march1 = 1772323200;  // 2026-03-01T00:00:00Z

double cpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string stamp(std::int64_t seconds, bool utc) {
  auto time = static_cast<std::time_t>(seconds);
  std::tm fields{};
  ::gmtime_r(&time, &fields);
  char text[32];
  std::strftime(text, sizeof text, utc ? "%Y%m%dT%H%M%SZ" : "%Y%m%dT%H%M%S", &fields);
  return text;
}

// Events spread over 2025 and 2026; every third one repeats (daily,
// weekly on two days, monthly, yearly; counted, until a date, or endless),
// in UTC, a named zone, or all day.
std::string item(std::mt19937_64& random, int n) {
  const std::int64_t start =
      1735689600 + static_cast<std::int64_t>(random() % (730 * 86400)) / 900 * 900;
  std::string lines =
      "UID:bench-" + std::to_string(n) + "\r\nSUMMARY:Event " + std::to_string(n) + "\r\n";
  switch (n % 5) {
    case 0:
      lines += "DTSTART;VALUE=DATE:" + stamp(start, false).substr(0, 8) + "\r\n";
      break;
    case 1:
      lines += "DTSTART;TZID=Europe/Berlin:" + stamp(start, false) + "\r\nDURATION:PT45M\r\n";
      break;
    case 2:
      lines += "DTSTART;TZID=America/New_York:" + stamp(start, false) + "\r\nDURATION:PT1H30M\r\n";
      break;
    default:
      lines += "DTSTART:" + stamp(start, true) + "\r\nDTEND:" + stamp(start + 3600, true) + "\r\n";
  }
  if (n % 3 == 0) {
    static const char* rules[] = {"FREQ=DAILY;COUNT=30",
                                  "FREQ=WEEKLY;BYDAY=MO,TH",
                                  "FREQ=MONTHLY;UNTIL=20271231T000000Z",
                                  "FREQ=YEARLY",
                                  "FREQ=DAILY;INTERVAL=2;UNTIL=20261231T000000Z",
                                  "FREQ=WEEKLY;INTERVAL=2;COUNT=40"};
    lines += std::string("RRULE:") + rules[(n / 3) % 6] + "\r\n";
    if (n % 9 == 0)
      lines += "EXDATE:" + stamp(start + 7 * 86400, true) + "\r\n";
  }
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//vell bench//EN\r\nBEGIN:VEVENT\r\n" + lines +
         "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

void makeStore(const fs::path& root) {
  std::mt19937_64 random(7);
  for (int c = 0; c < calendarCount; ++c) {
    const fs::path folder =
        root / (c < 10 ? "work" : "personal") / ("calendar" + std::to_string(c));
    fs::create_directories(folder);
    std::ofstream(folder / "displayname") << "Calendar " << c;
    for (int e = 0; e < eventsPerCalendar; ++e) {
      const int n = c * eventsPerCalendar + e;
      std::ofstream(folder / ("event" + std::to_string(n) + ".ics"), std::ios::binary)
          << item(random, n);
    }
  }
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::replace);
}

std::string calendarIds() {
  std::string ids;
  for (int c = 0; c < calendarCount; ++c)
    ids += std::string(ids.empty() ? "" : ",") + "\"" + (c < 10 ? "work" : "personal") +
           "/calendar" + std::to_string(c) + "\"";
  return "[" + ids + "]";
}

void submit(const fs::path& base, const std::string& name, const std::string& text) {
  const fs::path part = base / "jobs" / ("." + name + ".part");
  std::ofstream(part) << text;
  fs::rename(part, base / "jobs" / name);
}

// Median CPU seconds of `runs` calls of `work`, each after `prepare`.
template <typename Prepare, typename Work>
double cpuOf(int runs, Prepare prepare, Work work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const double before = cpuSeconds();
    work();
    times.push_back(cpuSeconds() - before);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void line(const char* what, double value, const char* unit, const char* target) {
  std::printf("  %-44s %9.2f %-3s  (target %s)\n", what, value, unit, target);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path bin = argc > 1 ? fs::path(argv[1]) : fs::path("bin");
  char pattern[] = "/tmp/vell-calendar-bench-XXXXXX";
  const fs::path work = ::mkdtemp(pattern);
  const fs::path root = work / "data" / "vell" / "calendars";
  const fs::path base = work / "base";
  fs::create_directories(base / "jobs");
  fs::create_directories(base / "results");
  makeStore(root);
  std::printf("store: %d calendars, %d events (a third repeating)\n", calendarCount,
              calendarCount * eventsPerCalendar);

  const std::string eventsJob = "{\"task\":\"events\",\"calendarIds\":" + calendarIds() +
                                ",\"start\":" + std::to_string(march1) +
                                ",\"end\":" + std::to_string(march1 + 2678400) + "}";
  double idle = 0, events = 0, cold = 0, create = 0;
  {
    CalendarStore store(root);
    RunLoop loop;
    CalendarBridge bridge(base.string(), store, loop);
    // The same job on a store that has parsed nothing yet.
    cold = cpuOf(
        1, [&] { submit(base, "cold.json", eventsJob); }, [&] { bridge.tick(); });
    idle = cpuOf(
        21, [] {}, [&] { bridge.tick(); });
    events = cpuOf(
        21, [&] { submit(base, "events.json", eventsJob); }, [&] { bridge.tick(); });
    int n = 0;
    create = cpuOf(
        21,
        [&] {
          submit(base, "create.json",
                 "{\"task\":\"create\",\"calendarId\":\"work/calendar0\",\"title\":\"Bench " +
                     std::to_string(n++) + "\",\"start\":" + std::to_string(march1) +
                     ",\"end\":" + std::to_string(march1 + 3600) + "}");
        },
        [&] { bridge.tick(); });
  }
  const auto answer = nlohmann::json::parse(std::ifstream(base / "results" / "events.json"));
  std::printf("events job over 31 days: %zu events listed, truncated %d\n", answer["events"].size(),
              answer["truncated"].get<int>());

  std::printf("CPU time per tick (median of 21):\n");
  line("idle tick, cache warm", idle * 1e3, "ms", "< 20 ms");
  line("tick with an events job over 31 days", events * 1e3, "ms", "< 100 ms");
  line("  peer: same tick, cold store (all parsed)", cold * 1e3, "ms", "-");
  std::printf("  %-44s %9.1f x\n", "  cold / warm", cold / events);
  line("tick with a create job", create * 1e3, "ms", "-");
  if (argc > 2 && std::string(argv[2]) == "--ticks-only") {
    fs::remove_all(work);
    return 0;
  }

  // Latency on the running program: jobs dropped at random moments of its
  // one-second cycle, timed until their result appears.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    const std::string program = (bin / "vell-calendar").string();
    ::execl(program.c_str(), program.c_str(), base.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, (base / "results").c_str(), IN_MOVED_TO);
  // A first job fills the program's item cache.
  submit(base, "warm.json", eventsJob);
  while (!fs::exists(base / "results" / "warm.json")) {
    char buffer[4096];
    if (::read(watch, buffer, sizeof buffer) < 0)
      break;
  }
  std::mt19937_64 random(11);
  std::vector<double> latencies;
  for (int i = 0; i < 12; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 1000));
    const std::string name = "latency" + std::to_string(i) + ".json";
    const auto start = std::chrono::steady_clock::now();
    submit(base, name, eventsJob);
    while (!fs::exists(base / "results" / name)) {
      char buffer[4096];
      if (::read(watch, buffer, sizeof buffer) < 0)
        break;
    }
    latencies.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  ::close(watch);
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  std::sort(latencies.begin(), latencies.end());
  double mean = 0;
  for (double l : latencies)
    mean += l / static_cast<double>(latencies.size());

  std::printf("job latency on the running program (%zu jobs at random moments):\n",
              latencies.size());
  line("mean", mean, "s", "-");
  line("worst", latencies.back(), "s", "< 1.1 s");
  // The floor any one-second poll has: half a second on average.
  std::printf("  %-44s %9.2f x   (mean / 0.5 s, the mean wait of the poll alone)\n",
              "peer: one-second poll", mean / 0.5);
  fs::remove_all(work);
  return 0;
}
