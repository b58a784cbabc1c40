#pragma once

#include <string_view>

namespace vell::encode {

// Every line the program prints, spelled once. All of them go to standard
// output; nothing is written to standard error.
inline constexpr std::string_view kUsage = "usage: vell-encode dir out.mp4 seconds [w h bitrate]";
inline constexpr std::string_view kNoFrames = "no frames";
inline constexpr std::string_view kOk = "ok";
inline constexpr std::string_view kFailedPrefix = "failed ";

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // no frames, or the writer did not complete
inline constexpr int kExitUsage = 2;
inline constexpr int kExitLostOutput = 3;  // the video was written, but "ok" could not be

}  // namespace vell::encode
