#include "encode/schedule.hpp"

#include <gtest/gtest.h>

namespace vell::encode {
namespace {

TEST(FrameCount, TruncatesTowardZero) {
  const struct {
    double total;
    std::int64_t expected;
  } cases[] = {{22, 660},     {1.99, 59}, {0, 0},          {0.03, 0},
               {1.0 / 30, 1}, {0.5, 15},  {86400, 2592000}};
  for (const auto& c : cases)
    EXPECT_EQ(frameCount(c.total, 30), c.expected) << c.total;
}

// A run of output frames showing one picture: from frame `first` on.
struct Run {
  std::int64_t first;
  std::string name;
  bool operator==(const Run&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Run& run) {
  return out << run.first << ":" << run.name;
}

// The pictures due at frames 0..N-1, as runs.
std::vector<Run> runs(const std::vector<FrameEntry>& frames, std::int64_t N) {
  Schedule schedule(frames, 30);
  std::vector<Run> result;
  for (std::int64_t i = 0; i < N; ++i) {
    const std::string& name = schedule.due(i);
    if (result.empty() || result.back().name != name)
      result.push_back({i, name});
  }
  return result;
}

struct Case {
  const char* what;
  std::vector<FrameEntry> frames;
  std::int64_t N;
  std::vector<Run> expected;
};

TEST(Schedule, AssignsPicturesToFrames) {
  const Case cases[] = {
      {"each entry from the first frame reaching its offset",
       {{"a", 100}, {"b", 102.5}, {"c", 104}},
       150,
       {{0, "a"}, {75, "b"}, {120, "c"}}},
      {"the origin of the times does not matter",
       {{"a", 0}, {"b", 2.5}, {"c", 4}},
       150,
       {{0, "a"}, {75, "b"}, {120, "c"}}},
      {"negative times work the same way",
       {{"a", -4}, {"b", -1.5}, {"c", 0}},
       150,
       {{0, "a"}, {75, "b"}, {120, "c"}}},
      {"an offset between two frame times takes effect at the later one",
       {{"a", 0}, {"b", 0.05}, {"c", 1.01}},
       40,
       {{0, "a"}, {2, "b"}, {31, "c"}}},
      {"several entries due at one frame: only the last is shown",
       {{"a", 0}, {"b", 0.01}, {"c", 0.02}, {"d", 1}},
       40,
       {{0, "a"}, {1, "c"}, {30, "d"}}},
      {"entries due at the first frame hide the first entry",
       {{"a", 5}, {"b", 5}, {"c", 6}},
       40,
       {{0, "b"}, {30, "c"}}},
      {"two entries with the same time: only the second",
       {{"a", 0}, {"b", 1}, {"c", 1}},
       60,
       {{0, "a"}, {30, "c"}}},
      {"an entry earlier than its predecessor comes due with it and hides it",
       {{"a", 0}, {"b", 2}, {"c", 1}},
       90,
       {{0, "a"}, {60, "c"}}},
      {"entries are taken in index order: j never moves back",
       {{"a", 0}, {"b", 2}, {"c", 1}, {"d", 1.5}},
       90,
       {{0, "a"}, {60, "d"}}},
      {"the last entry stays to the end, later ones never show",
       {{"a", 0}, {"b", 1}, {"c", 10}},
       90,
       {{0, "a"}, {30, "b"}}},
      {"an entry due exactly at the last frame shows once",
       {{"a", 0}, {"b", 59.0 / 30}},
       60,
       {{0, "a"}, {59, "b"}}},
      {"one entry fills the video", {{"a", 7}}, 45, {{0, "a"}}},
      {"repeated names make one run", {{"a", 0}, {"a", 1}, {"b", 2}}, 90, {{0, "a"}, {60, "b"}}},
      {"no frames at all", {{"a", 0}, {"b", 1}}, 0, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(runs(c.frames, c.N), c.expected) << c.what;
}

}  // namespace
}  // namespace vell::encode
