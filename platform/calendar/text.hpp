#pragma once

// What libical leaves out of TEXT values: it trims blanks at both ends and
// drops empty values, so " Lunch " comes back as "Lunch" and "SUMMARY:" as
// no summary. These read the values as written. Internal to the store.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::calendar_text {

// The SUMMARY of each VEVENT of an iCalendar text, in order (nothing for a
// VEVENT without one), with lines unfolded, still escaped.
std::vector<std::optional<std::string>> summaries(std::string_view text);

// How deep components nest in an iCalendar text (BEGIN lines not yet
// closed by an END), as libical would build them: 3 in a calendar of events
// with alarms.
std::size_t deepestNesting(std::string_view text);

// A TEXT value with its escapes (\\, \;, \,, \n, \N) undone.
std::string unescape(std::string_view value);

// The SUMMARY to keep: the escaped value `written` in the file, unescaped,
// when it agrees with libical's `parsed` but for the blanks libical trims;
// else `parsed`.
std::optional<std::string> exactSummary(const std::optional<std::string>& parsed,
                                        const std::optional<std::string>& written);

}  // namespace vell::calendar_text
