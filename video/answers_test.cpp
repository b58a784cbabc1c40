#include "video/answers.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "video/names.hpp"

namespace vell::video {
namespace {

TEST(VideoNames, EveryStatusHasItsWord) {
  const Names names = makeNames();
  const std::pair<int, std::string> cases[] = {
      {0, "not-determined"}, {1, "restricted"}, {2, "denied"},   {3, "authorized"},
      {4, "limited"},        {5, "unknown"},    {-1, "unknown"},
  };
  for (const auto& [status, expected] : cases)
    EXPECT_EQ(word(names, status), expected) << status;
}

TEST(VideoSay, WritesOneCompactLineOrNothing) {
  struct Case {
    Answer answer;
    std::string expected;
  };
  const Case cases[] = {
      {{{"status", "denied"}}, "{\"status\":\"denied\"}\n"},
      {{{"error", "usage"}}, "{\"error\":\"usage\"}\n"},
      {{{"ok", true}, {"w", 1280}, {"dur", 2.5}}, "{\"dur\":2.5,\"ok\":true,\"w\":1280}\n"},
      {{{"path", "/tmp/caf\xC3\xA9 \"x\"\n.mp4"}},
       "{\"path\":\"/tmp/caf\xC3\xA9 \\\"x\\\"\\n.mp4\"}\n"},
      {{{"path", "/tmp/\xFF.mp4"}}, ""},  // not UTF-8: nothing at all
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    say(out, c.answer);
    EXPECT_EQ(out.str(), c.expected);
  }
}

TEST(VideoDetail, KeepsTheFirst200UserPerceivedCharacters) {
  std::string accented;
  for (int i = 0; i < 250; ++i)
    accented += "e\xCC\x81";  // one character, three bytes
  struct Case {
    std::string description;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {"short", "short"},
      {std::string(200, 'x'), std::string(200, 'x')},
      {std::string(201, 'x'), std::string(200, 'x')},
      {accented, accented.substr(0, 600)},
      {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},  // stays writable
  };
  for (const auto& c : cases)
    EXPECT_EQ(detail(c.description), c.expected) << c.description.size();
}

}  // namespace
}  // namespace vell::video
