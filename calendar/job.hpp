#pragma once

// Reading a job file and its members.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace vell::calendar {

// Job files larger than this are not read.
inline constexpr std::size_t maxJobBytes = 1 << 20;

// The longest range a job may ask for: 31 days, in seconds.
inline constexpr double maxRangeSeconds = 2678400;

// The JSON object held by `bytes`; nothing for invalid JSON, a top level
// that is not an object, or more than `maxJobBytes`. Escapes of half a
// surrogate pair ("\ud800" alone) are read as NUL characters, which no event
// title can hold, and numbers beyond a double's range as the largest double
// of their sign.
std::optional<nlohmann::json> parseJob(std::string_view bytes);

// `json` with each "\uXXXX" escape of an unpaired surrogate, inside strings,
// written as "\u0000".
std::string unpairedSurrogatesAsNul(std::string_view json);

// The contents of the job file at `path`; nothing when it cannot be opened,
// is a symbolic link or not a regular file, or holds more than
// `maxJobBytes`. Never blocks (on a FIFO, say).
std::optional<std::string> readJobFile(const std::string& path);

// A member read as a number the way the parent's platform reads it: missing
// or null is 0, true and false are 1 and 0, a string is the decimal number at
// its start after blanks (0 when there is none). An array or object has no
// number: nothing.
std::optional<double> numberOf(const nlohmann::json& job, const char* key);

// The decimal number at the start of `text` after leading white space
// ("12.5abc" is 12.5, "  -3e2" is -300); 0 when there is none. Overflow
// gives an infinity.
double doubleValue(std::string_view text);

// Whether [start, end] is a range of more than no time and at most 31 days.
bool validRange(std::optional<double> start, std::optional<double> end);

// Length of UTF-8 `text` in UTF-16 code units.
std::size_t utf16Length(std::string_view text);

}  // namespace vell::calendar
