#pragma once

#include <cstdint>
#include <string>

namespace vell::calendar {

// `seconds` since 1970 in the internet date-time form, UTC with a Z and
// whole seconds: 2026-03-01T09:30:00Z. Years 1 to 9999.
std::string iso8601(std::int64_t seconds);

}  // namespace vell::calendar
