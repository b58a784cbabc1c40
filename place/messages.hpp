#pragma once

// Exit statuses and fixed texts of vell-place.
namespace vell::place {

inline constexpr int exitSuccess = 0;
inline constexpr int exitUsage = 2;

inline constexpr const char* usageLine =
    "usage: vell-place [--prints] [--ocr auto|always|never] [--width n] <list file: key<TAB>path "
    "per line>\n";

inline constexpr const char* errorUnreadable = "unreadable";
inline constexpr const char* errorVision = "vision";

}  // namespace vell::place
