#include "platform/text/graphemes.hpp"

#include <gtest/gtest.h>

namespace vell::platform {
namespace {

TEST(Graphemes, CutsBetweenUserPerceivedCharacters) {
  struct Case {
    std::string text;
    std::size_t count;
    std::string expected;
  };
  const Case cases[] = {
      {"", 3, ""},
      {"abc", 0, ""},
      {"abc", 2, "ab"},
      {"abc", 3, "abc"},
      {"abc", 200, "abc"},
      {"\r\nx", 1, "\r\n"},  // CR LF is one
      {"e\xCC\x81"
       "a",
       1, "e\xCC\x81"},  // e + combining acute
      {"\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7!", 1, "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"},  // flag FR
      {"\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB.", 1,
       "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"},  // woman + ZWJ + laptop
      {"\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8x", 1,
       "\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8"},  // Hangul L V T
      {"\xC3\xA9t\xC3\xA9", 2, "\xC3\xA9t"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(firstGraphemes(c.text, c.count), c.expected) << c.text << " / " << c.count;
}

TEST(Graphemes, LongTextKeepsExactlyTheCount) {
  std::string text;
  for (int i = 0; i < 300; ++i)
    text += "a\xCC\x88";  // a + combining diaeresis: 3 bytes, one character
  std::string cut = firstGraphemes(text, 200);
  EXPECT_EQ(cut.size(), 600u);
}

TEST(Graphemes, InvalidBytesBecomeReplacementCharacters) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"ok", "ok"},
      {"a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"\xC3", "\xEF\xBF\xBD"},                                  // truncated sequence
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong slash
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(validUtf8(c.text), c.expected);
    EXPECT_EQ(firstGraphemes(c.text, 100), c.expected);
  }
}

}  // namespace
}  // namespace vell::platform
