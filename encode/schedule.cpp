#include "encode/schedule.hpp"

namespace vell::encode {

std::int64_t frameCount(double total, double fps) {
  return static_cast<std::int64_t>(total * fps);
}

Schedule::Schedule(const std::vector<FrameEntry>& frames, double fps)
    : frames_(frames), fps_(fps), t0_(frames.front().time) {}

const std::string& Schedule::due(std::int64_t i) {
  const double t = static_cast<double>(i) / fps_;
  while (j_ + 1 < frames_.size() && frames_[j_ + 1].time - t0_ <= t)
    ++j_;
  return frames_[j_].name;
}

}  // namespace vell::encode
