#pragma once

// Exit statuses and fixed texts of vell-place.
namespace vell::place {

inline constexpr int exitSuccess = 0;
inline constexpr int exitUsage = 2;
// A line could not be written to standard output (a full device, a closed
// stream): the answers are incomplete.
inline constexpr int exitLostOutput = 1;

inline constexpr const char* usageLine =
    "usage: vell-place [--prints] [--ocr auto|always|never] [--width n] <list file: key<TAB>path "
    "per line>\n";

inline constexpr const char* errorUnreadable = "unreadable";
inline constexpr const char* errorVision = "vision";

}  // namespace vell::place
