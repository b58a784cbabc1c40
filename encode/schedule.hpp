#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "encode/frame_index.hpp"

namespace vell::encode {

// The number of output frames: `total` × `fps`, truncated toward zero.
// `total` must be finite and not negative (readArguments sees to it).
std::int64_t frameCount(double total, double fps);

// Assigns a picture to each output frame, asked in increasing order. Entries
// are taken strictly in index order (`j` never moves back); an entry is due
// from the first frame whose time reaches its offset from the first entry's
// time, and when several become due at one frame only the last is shown.
class Schedule {
 public:
  // `frames` must not be empty and must outlive the schedule.
  Schedule(const std::vector<FrameEntry>& frames, double fps);

  // The name of the picture due at output frame `i`.
  const std::string& due(std::int64_t i);

 private:
  const std::vector<FrameEntry>& frames_;
  double fps_;
  double t0_;
  std::size_t j_ = 0;
};

}  // namespace vell::encode
