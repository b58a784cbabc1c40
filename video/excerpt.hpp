#pragma once

#include <cstdint>

namespace vell::video {

enum class Preset { hd1280x720, hd1920x1080 };

// 1080 or more: the 1920 × 1080 preset; less: 1280 × 720.
Preset presetFor(std::int64_t size);

// The part of a video of `e` seconds to export, in seconds.
struct Excerpt {
  double s = 0;  // start
  double L = 0;  // length
};

// For a positive `dur`: the start at most half a second before the end and
// never before 0 (a start that is not a number is 0), the length the rest
// of the video but at least half a second, and at most `dur`.
Excerpt excerptFor(double start, double dur, double e);

// The "dur" of the completed answer: `e`, or the smaller of `e` and a
// positive `dur`.
double reportedDuration(double dur, double e);

}  // namespace vell::video
