#include "place/text_policy.hpp"

#include <gtest/gtest.h>

namespace vell::place {
namespace {

TEST(TextPolicy, WhenRecognitionRuns) {
  struct Case {
    std::string ocr;
    size_t rectangles;
    bool runs;
  };
  const Case cases[] = {{"always", 0, true},  {"always", 3, true}, {"auto", 0, false},
                        {"auto", 1, true},    {"never", 5, false}, {"Auto", 5, false},
                        {"ALWAYS", 5, false}, {"yes", 5, false},   {"", 5, false}};
  for (const auto& c : cases)
    EXPECT_EQ(shouldRecognize(c.ocr, c.rectangles), c.runs) << c.ocr << " " << c.rectangles;
}

TEST(TextPolicy, Trimming) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"  word \n", "word"},
      {"\t\v\f\r\n x y \x0B", "x y"},
      {"\xC2\xA0nbsp\xC2\xA0", "nbsp"},          // U+00A0
      {"\xE3\x80\x80ideo\xE3\x80\x80", "ideo"},  // U+3000
      {"\xE2\x80\xA8line\xE2\x80\xA9", "line"},  // U+2028, U+2029
      {"\xC2\x85next\xC2\x85", "next"},          // U+0085
      {"\xE2\x80\x8Bzw", "\xE2\x80\x8Bzw"},      // U+200B is not white space
      {"caf\xC3\xA9 ", "caf\xC3\xA9"},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(trimWhitespace(c.in), c.out) << testing::PrintToString(c.in);
}

RecognizedText line(std::string text, float confidence, double height) {
  return {std::move(text), confidence, {0, 0, 0.5, height}};
}

TEST(TextPolicy, LengthsInUserPerceivedCharacters) {
  const std::string accented = "e\xCC\x81";  // e + combining acute: one character
  const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9";  // man ZWJ woman
  std::string eighty(80, 'x'), eightyOne(81, 'x'), accentedEighty;
  for (int i = 0; i < 80; ++i)
    accentedEighty += accented;
  auto tx = textLines({line(" A ", 1, 0.1), line(eighty, 1, 0.1), line(eightyOne, 1, 0.1),
                       line(accentedEighty, 1, 0.1), line(accentedEighty + "x", 1, 0.1),
                       line(accented + accented, 1, 0.1), line(family, 1, 0.1),
                       line(family + " ", 1, 0.1)});
  ASSERT_EQ(tx.size(), 3u);
  EXPECT_EQ(tx[0][0], eighty);
  EXPECT_EQ(tx[1][0], accentedEighty);
  EXPECT_EQ(tx[2][0], accented + accented);
}

TEST(TextPolicy, TallestFirstStableAndLimited) {
  std::vector<RecognizedText> lines;
  for (int i = 0; i < 30; ++i)
    lines.push_back(line("line" + std::to_string(i), 1.0f, 0.01 * (i % 10)));
  auto tx = textLines(lines);
  ASSERT_EQ(tx.size(), 24u);
  EXPECT_EQ(tx[0][0], "line9");
  EXPECT_EQ(tx[1][0], "line19");
  EXPECT_EQ(tx[2][0], "line29");
  EXPECT_EQ(tx[3][0], "line8");
  EXPECT_EQ(tx[21][0], "line2");
  EXPECT_EQ(tx[23][0], "line22");
  EXPECT_EQ(textLines({line("ok", 1.0f, 0.125)}).dump(), R"([["ok",1.0,0.125]])");
  EXPECT_EQ(textLines({line("ok", 0.6666f, 0.0005)}).dump(), R"([["ok",0.667,0.001]])");
  EXPECT_EQ(textLines({}).dump(), "[]");
}

}  // namespace
}  // namespace vell::place
