#include "calendar/job.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "common/test_folder.hpp"

namespace vell::calendar {
namespace {

TEST(Job, DoubleValueReadsTheNumberAtTheStart) {
  const std::vector<std::pair<std::string, double>> cases = {
      {"12", 12},     {"12.5abc", 12.5}, {"  -3e2", -300}, {"\t\n+7", 7},
      {".5", 0.5},    {"5.", 5},         {"1e", 1},        {"1e+", 1},
      {"2E3x", 2000}, {"", 0},           {"abc", 0},       {"-", 0},
      {".", 0},       {"-.e5", 0},       {"inf", 0},       {"nan", 0},
      {"0x10", 0},    {"1,5", 1},        {"1 000", 1},     {"1772323200.25", 1772323200.25},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(doubleValue(text), expected) << '"' << text << '"';
  EXPECT_TRUE(std::isinf(doubleValue("1e999")));
  EXPECT_TRUE(std::isinf(doubleValue("-1e999")));
}

TEST(Job, NumbersOfMembers) {
  const auto job = nlohmann::json::parse(R"({"n": 1.5, "i": -4, "t": true, "f": false, "z": null,
      "s": " 42.5 seconds", "w": "soon", "a": [1], "o": {"x": 1}})");
  const std::vector<std::pair<const char*, std::optional<double>>> cases = {
      {"n", 1.5},
      {"i", -4},
      {"t", 1},
      {"f", 0},
      {"z", 0},
      {"s", 42.5},
      {"w", 0},
      {"missing", 0},
      {"a", std::nullopt},
      {"o", std::nullopt},
  };
  for (const auto& [key, expected] : cases)
    EXPECT_EQ(numberOf(job, key), expected) << key;
}

TEST(Job, RangesOfUpToThirtyOneDays) {
  const std::vector<std::tuple<std::optional<double>, std::optional<double>, bool>> cases = {
      {0, 1, true},
      {100, 100, false},
      {100, 99, false},
      {0, 2678400, true},
      {0, 2678400.001, false},
      {0.5, 2678400.5, true},
      {0, INFINITY, false},
      {-INFINITY, 0, false},
      {INFINITY, INFINITY, false},
      {std::nullopt, 10, false},
      {0, std::nullopt, false},
  };
  for (const auto& [start, end, valid] : cases)
    EXPECT_EQ(validRange(start, end), valid) << start.value_or(-1) << ".." << end.value_or(-1);
}

TEST(Job, TitleLengthInUtf16Units) {
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"", 0}, {"abc", 3}, {"é", 1}, {"日本", 2}, {"😀", 2}, {"a😀b", 4}, {" ", 1},
  };
  for (const auto& [text, units] : cases)
    EXPECT_EQ(utf16Length(text), units) << text;
}

TEST(Job, OnlyJsonObjectsAreJobs) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {R"({"task":"events"})", true},
      {"{}", true},
      {" \n{\"a\":1}\n", true},
      {"[]", false},
      {R"([{"task":"events"}])", false},
      {"", false},
      {"{", false},
      {"42", false},
      {"\"text\"", false},
      {"{\"a\":1} trailing", false},
      {"{\"a\":\"\xff\"}", false},
      // Valid JSON that the parser alone refuses.
      {"{\"a\":\"\\ud800\"}", true},
      {"{\"start\":1e999}", true},
  };
  for (const auto& [text, isJob] : cases)
    EXPECT_EQ(parseJob(text).has_value(), isJob) << text;
  EXPECT_FALSE(parseJob("{\"a\":\"" + std::string(maxJobBytes, 'x') + "\"}"));
}

// Half a surrogate pair becomes a NUL, which no title can hold; whole pairs,
// other escapes and text outside strings stay as written.
TEST(Job, UnpairedSurrogatesBecomeNul) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"t":"\ud800"})", R"({"t":"\u0000"})"},
      {R"({"t":"a\uDC00b\ud83d"})", R"({"t":"a\u0000b\u0000"})"},
      {R"({"t":"\ud83d\ude00"})", R"({"t":"\ud83d\ude00"})"},
      {R"({"t":"\\ud800 \"\u00e9"})", R"({"t":"\\ud800 \"\u00e9"})"},
      {R"({"t":"\ud800\u0041"})", R"({"t":"\u0000\u0041"})"},
      {R"({"t":"\ud80"})", R"({"t":"\ud80"})"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(unpairedSurrogatesAsNul(in), out) << in;
  const auto job = parseJob(R"({"title":"x\ud800","start":1e999})");
  ASSERT_TRUE(job);
  EXPECT_EQ((*job)["title"], std::string("x\0", 2));
  EXPECT_EQ((*job)["start"], std::numeric_limits<double>::max());
}

TEST(Job, OnlyPlainFilesOfUpToOneMebibyteAreRead) {
  TestFolder folder;
  const auto path = [&](const char* name) { return (folder.path() / name).string(); };
  std::ofstream(path("plain.json")) << R"({"task":"events"})";
  std::ofstream(path("limit.json")) << std::string(maxJobBytes, ' ');
  std::ofstream(path("big.json")) << std::string(maxJobBytes + 1, ' ');
  std::filesystem::create_symlink(path("plain.json"), path("link.json"));
  std::filesystem::create_directory(path("folder.json"));
  ASSERT_EQ(::mkfifo(path("fifo.json").c_str(), 0600), 0);

  EXPECT_EQ(readJobFile(path("plain.json")), R"({"task":"events"})");
  EXPECT_EQ(readJobFile(path("limit.json"))->size(), maxJobBytes);
  for (const char* name : {"big.json", "link.json", "folder.json", "fifo.json", "missing.json"})
    EXPECT_FALSE(readJobFile(path(name))) << name;
}

}  // namespace
}  // namespace vell::calendar
