#include "place/list_file.hpp"

#include <gtest/gtest.h>

#include "common/test_folder.hpp"
#include "place/test_support.hpp"

namespace vell::place {
namespace {

TEST(ParseList, LinesKeysAndPaths) {
  using Jobs = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    std::string text;
    Jobs jobs;
  };
  const Case cases[] = {
      {"", {}},
      {"\n\n\n", {}},
      {"a\tb", {{"a", "b"}}},
      {"a\tb\tc\n", {{"a", "b\tc"}}},
      {"\t\ta\tb\n", {{"a", "b"}}},
      {"a\t\nb\n\t\n\t\t\na\tx", {{"a", "x"}}},
      {"k1\t/p/1.jpg\nk2\t p 2 \n", {{"k1", "/p/1.jpg"}, {"k2", " p 2 "}}},
      {" a \t b ", {{" a ", " b "}}},
      {"a\t\tb", {{"a", "\tb"}}},
      {"dup\tx\ndup\ty\n", {{"dup", "x"}, {"dup", "y"}}},
      // CR LF ends a line like LF; a lone CR stays in the key or path.
      {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"a\r\tb\r\n", {{"a\r", "b"}}},
      {"a\tb\rc\td\n", {{"a", "b\rc\td"}}},
      {"a\tb\r", {{"a", "b\r"}}},
      {"a\t\r\n", {}},
      {"ключ\tфото.jpg\n", {{"ключ", "фото.jpg"}}},
  };
  for (const auto& c : cases) {
    Jobs got;
    for (const auto& job : parseList(c.text))
      got.emplace_back(job.key, job.path);
    EXPECT_EQ(got, c.jobs) << c.text;
  }
}

// A line longer than any path keeps its answer (as an unreadable picture)
// without its bytes being copied around; an oversized key has no answer.
TEST(ParseList, OverlongPathsAndKeys) {
  const std::string longest(maxPathBytes, 'p');
  const std::string tooLong(maxPathBytes + 1, 'p');
  const std::string hugeKey(maxKeyBytes + 1, 'k');
  auto jobs = parseList("a\t" + longest + "\nb\t" + tooLong + "\n" + hugeKey + "\tx\nc\ty\n");
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].path, longest);
  EXPECT_EQ(jobs[1].key, "b");
  EXPECT_EQ(jobs[1].path, "");
  EXPECT_EQ(jobs[2].key, "c");
}

TEST(ParseList, ManyLines) {
  std::string text;
  for (int i = 0; i < 5000; ++i)
    text += "k" + std::to_string(i) + "\tp\n";
  auto jobs = parseList(text);
  ASSERT_EQ(jobs.size(), 5000u);
  EXPECT_EQ(jobs[4999].key, "k4999");
}

TEST(ValidUtf8, AcceptsOnlyWellFormedText) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain\t\n", true},
      {"\xC3\xA9", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xC3", false},
      {"\xC0\xAF", false},
      {"\xE0\x80\xAF", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"\xFF", false},
      {"\x80", false},
      {std::string("a\0b", 3), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(ReadListFile, UnreadableFiles) {
  TestFolder folder;
  writeText(folder.path() / "good.txt", "a\tb\n");
  writeText(folder.path() / "latin1.txt", "caf\xE9\tb\n");
  EXPECT_EQ(readListFile((folder.path() / "good.txt").string()), "a\tb\n");
  EXPECT_FALSE(readListFile((folder.path() / "latin1.txt").string()));
  EXPECT_FALSE(readListFile((folder.path() / "missing.txt").string()));
  EXPECT_FALSE(readListFile(folder.path().string()));
}

}  // namespace
}  // namespace vell::place
