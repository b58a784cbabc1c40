#include "video/excerpt.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vell::video {
namespace {

TEST(VideoExcerpt, WorkedExamplesOfATwelveSecondVideo) {
  struct Case {
    double start, dur, e;
    double s, L, reported;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {3, 5, 12, 3, 5, 5},
      {20, 5, 12, 11.5, 0.5, 5},  // past the end: the last half second
      {10, 5, 12, 10, 2, 5},      // "dur" is not the real length
      {-4, 30, 12, 0, 12, 12},
      {0, 0.2, 12, 0, 0.2, 0.2},
      {11.9, 5, 12, 11.5, 0.5, 5},
      {0, 5, 0.3, 0, 0.5, 0.3},  // shorter than half a second
      {2, 0.25, 0.3, 0, 0.25, 0.25},
      {NAN, 5, 12, 0, 5, 5},
      {inf, 5, 12, 11.5, 0.5, 5},
      {-inf, 5, 12, 0, 5, 5},
      {3, inf, 12, 3, 9, 12},
      {0, 5, 0, 0, 0.5, 0},  // a catalogue without a duration
  };
  for (const auto& c : cases) {
    Excerpt excerpt = excerptFor(c.start, c.dur, c.e);
    EXPECT_DOUBLE_EQ(excerpt.s, c.s) << c.start << " " << c.dur << " " << c.e;
    EXPECT_DOUBLE_EQ(excerpt.L, c.L) << c.start << " " << c.dur << " " << c.e;
    EXPECT_DOUBLE_EQ(reportedDuration(c.dur, c.e), c.reported);
  }
  // Without a positive length the whole video counts.
  for (double dur : {0.0, -1.0, double(NAN)})
    EXPECT_EQ(reportedDuration(dur, 12), 12);
}

TEST(VideoExcerpt, SizeChoosesThePreset) {
  const std::pair<std::int64_t, Preset> cases[] = {
      {1080, Preset::hd1920x1080},      {4000, Preset::hd1920x1080},     {1079, Preset::hd1280x720},
      {720, Preset::hd1280x720},        {-1, Preset::hd1280x720},        {0, Preset::hd1280x720},
      {INT64_MAX, Preset::hd1920x1080}, {INT64_MIN, Preset::hd1280x720},
  };
  for (const auto& [size, preset] : cases)
    EXPECT_EQ(presetFor(size), preset) << size;
}

}  // namespace
}  // namespace vell::video
