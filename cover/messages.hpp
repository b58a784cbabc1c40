#pragma once

#include <string_view>

namespace vell::cover {

// Every exit status and fixed text of vell-cover, spelled once.
inline constexpr int exitSuccess = 0;
inline constexpr int exitUsage = 2;
inline constexpr int exitUnreadable = 3;
inline constexpr int exitCropOrScale = 4;
inline constexpr int exitEncode = 5;
inline constexpr int exitWrite = 6;

inline constexpr std::string_view usageLine =
    "usage: vell-cover in out.jpg [--size 2400x1500] [--quality 0.9] [--max-bytes 1100000] "
    "[--sharpen 0.3] [--focus x,y,w,h] [--zoom 1.35] [--blur x,y,w,h] [--analyze] "
    "[--debug out.png]";
inline constexpr std::string_view unreadableText = "unreadable";
inline constexpr std::string_view cropFailedText = "crop failed";
inline constexpr std::string_view scaleFailedText = "scale failed";
inline constexpr std::string_view encodeFailedText = "encode failed";
inline constexpr std::string_view outputIsInputText = "the output is the input photo itself";

}  // namespace vell::cover
