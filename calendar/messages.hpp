#pragma once

// The bridge's exit status and the sentences of its error answers.

#include <string_view>

namespace vell::calendar {

inline constexpr int exitWithoutFolder = 1;

namespace message {
inline constexpr std::string_view notAuthorized = "Calendar permission has not been granted.";
inline constexpr std::string_view badRange = "Use a date range of up to 31 days.";
inline constexpr std::string_view selectCalendars = "Select calendars first.";
inline constexpr std::string_view calendarsGone = "Selected calendars are no longer available.";
inline constexpr std::string_view cannotAccept = "The selected calendar cannot accept this event.";
inline constexpr std::string_view notSaved =
    "Event could not be saved. Check Calendar before retrying.";
inline constexpr std::string_view unsupported = "Unsupported calendar action.";
}  // namespace message

}  // namespace vell::calendar
