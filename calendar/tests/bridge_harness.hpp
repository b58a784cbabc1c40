#pragma once

// Runs vell-calendar as the parent does: a base folder with jobs/ and
// results/, job files dropped in atomically, answers read back. When the
// tests run as root the bridge runs as nobody, because root ignores the
// folder modes that calendar permissions and writable calendars come from.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vell::calendar::testing {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline constexpr uid_t unprivileged = 65534;

inline bool asRoot() {
  return ::geteuid() == 0;
}

inline std::string binary() {
  const char* folder = std::getenv("BIN_DIR");
  return std::string(folder ? folder : ".") + "/vell-calendar";
}

inline std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// Hands the tree to the user the bridge runs as. A file left to root would
// turn the permission tests into tests of something else, so a failure ends
// the test.
inline void giveAway(const fs::path& tree) {
  if (!asRoot())
    return;
  auto give = [](const fs::path& file) {
    if (::lchown(file.c_str(), unprivileged, unprivileged) != 0)
      throw std::runtime_error("cannot hand " + file.string() + " to the bridge's user");
  };
  give(tree);
  for (const auto& entry : fs::recursive_directory_iterator(tree))
    give(entry.path());
}

inline mode_t modeOf(const fs::path& file) {
  struct stat status {};
  return ::lstat(file.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Polls `done` every 10 ms until it holds or `limit` passes.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline std::optional<nlohmann::json> readJSON(const fs::path& file) {
  if (!fs::exists(file))
    return std::nullopt;
  auto value = nlohmann::json::parse(readFile(file), nullptr, false);
  if (value.is_discarded())
    return std::nullopt;
  return value;
}

// "<YYYY-MM-DD>T..." strings for the iCalendar files the tests write.
inline std::string vevent(const std::string& lines) {
  return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}
inline std::string vcalendar(const std::string& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//vell tests//EN\r\n" + body +
         "END:VCALENDAR\r\n";
}

inline std::string sample(const char* name) {
  const char* samples = std::getenv("SAMPLES");
  return readFile(std::string(samples ? samples : "") + "/calendars/" + name);
}

struct BridgeOptions {
  std::string timeZone = "UTC";
  mode_t umask = 022;
  bool withFolder = true;  // false: started without its argument
};

// One running bridge on `base` with its calendar store under `dataHome`.
class RunningBridge {
 public:
  RunningBridge(const fs::path& base, const fs::path& dataHome, BridgeOptions options = {})
      : base_(base) {
    std::string program = binary();
    if (asRoot()) {
      // The build folder may be out of nobody's reach (a clone under /root);
      // a copy beside the base folder is not.
      const fs::path copy = base.parent_path() / "vell-calendar";
      fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
      fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
      program = copy.string();
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::umask(options.umask);
      ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
      ::setenv("TZ", options.timeZone.c_str(), 1);
      if (asRoot() && (::setgroups(0, nullptr) != 0 ||
                       ::setresgid(unprivileged, unprivileged, unprivileged) != 0 ||
                       ::setresuid(unprivileged, unprivileged, unprivileged) != 0))
        ::_exit(126);
      if (options.withFolder)
        ::execl(program.c_str(), program.c_str(), base.c_str(), static_cast<char*>(nullptr));
      else
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    started_ = Clock::now();
  }
  ~RunningBridge() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  RunningBridge(const RunningBridge&) = delete;
  RunningBridge& operator=(const RunningBridge&) = delete;

  // Sends `signal` and returns the exit status, or -1 if the bridge did not
  // end within five seconds or died of a signal.
  int stop(int signal = SIGTERM) {
    ::kill(pid_, signal);
    return wait(std::chrono::seconds(5));
  }

  // The exit status once the bridge ends by itself within `limit`, else -1.
  int wait(std::chrono::milliseconds limit) {
    int status = 0;
    const auto deadline = Clock::now() + limit;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline)
        return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Drops a job as the parent does: written beside, then renamed in.
  void submit(const std::string& name, const std::string& text) const {
    const fs::path temporary = base_ / "jobs" / ("." + name + ".part");
    writeFile(temporary, text);
    fs::rename(temporary, base_ / "jobs" / name);
  }

  // The answer to job `name`, waited for up to `limit`.
  std::optional<nlohmann::json> result(
      const std::string& name,
      std::chrono::milliseconds limit = std::chrono::milliseconds(8000)) const {
    const fs::path file = base_ / "results" / name;
    waitFor([&] { return fs::exists(file); }, limit);
    return readJSON(file);
  }

  std::optional<nlohmann::json> status() const { return readJSON(base_ / "status.json"); }

  Clock::time_point started() const { return started_; }

 private:
  fs::path base_;
  pid_t pid_ = -1;
  bool exited_ = false;
  Clock::time_point started_;
};

// A base folder with jobs/ and results/, and an empty data home.
struct Setting {
  fs::path base;
  fs::path dataHome;
  fs::path store;  // the calendar store's root
};

inline Setting makeSetting(const fs::path& folder) {
  Setting setting{folder / "base", folder / "data", folder / "data" / "vell" / "calendars"};
  fs::create_directories(setting.base / "jobs");
  fs::create_directories(setting.base / "results");
  fs::create_directories(setting.dataHome);
  return setting;
}

}  // namespace vell::calendar::testing
