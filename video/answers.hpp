#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace vell::video {

using Answer = nlohmann::json;

// Exit statuses of vell-video.
enum ExitStatus : int {
  exitOk = 0,
  exitUsage = 2,
  exitNoPermission = 3,
  exitNotFound = 4,
  exitNotCompleted = 5,
};

// The fixed words of the answers.
namespace words {
inline constexpr const char* noPermission = "no-permission";
inline constexpr const char* usage = "usage";
inline constexpr const char* notFound = "not-found";
inline constexpr const char* inCloud = "in-icloud";
inline constexpr const char* exportUnavailable = "export-unavailable";
inline constexpr const char* exportFailed = "export-failed";
inline constexpr const char* timeout = "timeout";
}  // namespace words

// Writes `answer` as one compact JSON line to `out` and flushes. An answer
// that cannot be serialised (text that is not UTF-8) is not written; the
// flush still happens. Never fails.
void say(std::ostream& out, const Answer& answer);

// The first 200 user-perceived characters of an error description.
std::string detail(const std::string& description);

}  // namespace vell::video
