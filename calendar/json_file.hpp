#pragma once

// The one writer of the bridge's files (status and results).

#include <nlohmann/json.hpp>
#include <string>

namespace vell::calendar {

// Compact JSON with "/" written as "\/"; text that is not valid UTF-8 has
// its bad bytes replaced by U+FFFD rather than failing.
std::string serialise(const nlohmann::json& object);

// Replaces `file` with `object` in one step, the file created with mode 0600
// from the start whatever the file-creation mask. Failures are ignored: the
// previous file, if any, stays.
void writeJSON(const nlohmann::json& object, const std::string& file);

}  // namespace vell::calendar
