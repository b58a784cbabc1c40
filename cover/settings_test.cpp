#include "cover/settings.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::cover {
namespace {

using Args = std::vector<std::string>;

TEST(ScanArguments, SortsArgumentsIntoOptionsFlagsAndPositionals) {
  struct Case {
    Args args;
    std::map<std::string, std::string> opts;
    std::set<std::string> flags;
    Args pos;
  } cases[] = {
      {{}, {}, {}, {}},
      {{"in.jpg", "--size", "3000x2000", "out.jpg"},
       {{"--size", "3000x2000"}},
       {},
       {"in.jpg", "out.jpg"}},
      {{"--analyze", "in.jpg"}, {}, {"--analyze"}, {"in.jpg"}},
      // An option takes its successor whatever it looks like.
      {{"in.jpg", "--focus", "--analyze"}, {{"--focus", "--analyze"}}, {}, {"in.jpg"}},
      // An option name in last place has no value and is positional.
      {{"in.jpg", "--debug"}, {}, {}, {"in.jpg", "--debug"}},
      // The last of repeated options wins; unknown ones are kept.
      {{"--zoom", "1", "a", "--zoom", "2", "--colour", "red"},
       {{"--zoom", "2"}, {"--colour", "red"}},
       {},
       {"a"}},
      // A bare "--" is an option name; one hyphen is an ordinary argument.
      {{"--", "x", "-x", "y"}, {{"--", "x"}}, {}, {"-x", "y"}},
      // Case matters; "--analyze=1" is an option name like any other.
      {{"--ANALYZE", "a", "--analyze=1", "b", "c"},
       {{"--ANALYZE", "a"}, {"--analyze=1", "b"}},
       {},
       {"c"}},
  };
  for (const auto& c : cases) {
    CommandLine scanned = scanArguments(c.args);
    EXPECT_EQ(scanned.opts, c.opts) << ::testing::PrintToString(c.args);
    EXPECT_EQ(scanned.flags, c.flags) << ::testing::PrintToString(c.args);
    EXPECT_EQ(scanned.pos, c.pos) << ::testing::PrintToString(c.args);
  }
}

TEST(ScanArguments, ChecksPositionalCount) {
  struct Case {
    Args args;
    bool enough;
  } cases[] = {
      {{}, false},
      {{"in.jpg"}, false},
      {{"in.jpg", "--analyze"}, true},
      {{"--analyze"}, false},
      {{"in.jpg", "out.jpg"}, true},
      {{"in.jpg", "out.jpg", "third"}, true},
      {{"in.jpg", "--focus", "--analyze"}, false},
      {{"in.jpg", "--debug"}, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(enoughPositionals(scanArguments(c.args)), c.enough)
        << ::testing::PrintToString(c.args);
}

TEST(ReadSettings, ReadsSizeWithItsQuirks) {
  struct Case {
    std::string size;
    std::int64_t OW, OH;
  } cases[] = {
      {"3000x2000", 3000, 2000},
      {"10x10", 64, 40},
      {"3000", 2400, 1500},
      {"3000x2000x5", 2400, 1500},
      {"3000X2000", 2400, 1500},
      {"x3000x2000x", 3000, 2000},
      {"3000xxx2000", 3000, 2000},
      {"+3000x-7", 3000, 40},
      {"3000xabcx2000", 3000, 2000},
      {"3000.5x2000", 2400, 1500},
      {"", 2400, 1500},
      {"100000x100000", 100000, 100000},
      {"99999999999999999999x100", 2400, 1500},
  };
  for (const auto& c : cases) {
    Settings settings = readSettings(scanArguments({"in", "--size", c.size}));
    EXPECT_EQ(settings.OW, c.OW) << c.size;
    EXPECT_EQ(settings.OH, c.OH) << c.size;
    EXPECT_DOUBLE_EQ(settings.aspect, static_cast<double>(c.OW) / static_cast<double>(c.OH));
  }
}

TEST(ReadSettings, FallsBackToDefaultsSilently) {
  struct Case {
    Args args;
    double quality;
    std::int64_t maxBytes;
    double maxZoom;
  } cases[] = {
      {{}, 0.9, 1100000, 1.35},
      {{"--quality", "abc", "--max-bytes", "1e6", "--zoom", "abc"}, 0.9, 1100000, 1.35},
      {{"--quality", "1.7", "--max-bytes", "-5", "--zoom", "0.5"}, 1.7, -5, 1.0},
      {{"--quality", " 0.5", "--max-bytes", " 5", "--zoom", "2 "}, 0.9, 1100000, 1.35},
      {{"--quality", "0.5", "--max-bytes", "0", "--zoom", "nan"}, 0.5, 0, 1.0},
      {{"--quality", "", "--max-bytes", "+12", "--zoom", "3"}, 0.9, 12, 3.0},
  };
  for (const auto& c : cases) {
    Args args = c.args;
    args.insert(args.begin(), "in");
    Settings settings = readSettings(scanArguments(args));
    EXPECT_DOUBLE_EQ(settings.quality, c.quality) << ::testing::PrintToString(c.args);
    EXPECT_EQ(settings.maxBytes, c.maxBytes) << ::testing::PrintToString(c.args);
    EXPECT_DOUBLE_EQ(settings.maxZoom, c.maxZoom) << ::testing::PrintToString(c.args);
  }
}

TEST(NumbersIn, DropsEmptyPiecesAndNonNumbers) {
  struct Case {
    std::string text;
    std::vector<double> numbers;
  } cases[] = {
      {"0.1,0.2,0.3,0.4", {0.1, 0.2, 0.3, 0.4}},
      {",,0.1,,0.2,", {0.1, 0.2}},
      {"a,1,b", {1}},
      {" 1,2", {2}},
      {"", {}},
      {"1e-1,-2", {0.1, -2}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(numbersIn(c.text, ','), c.numbers) << c.text;
}

}  // namespace
}  // namespace vell::cover
