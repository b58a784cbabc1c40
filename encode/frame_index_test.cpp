#include "encode/frame_index.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "common/test_folder.hpp"

namespace vell::encode {
namespace {

using Frames = std::vector<FrameEntry>;

struct Case {
  std::string text;
  std::optional<Frames> expected;
};

TEST(ParseIndex, AcceptsAndRejects) {
  const Case cases[] = {
      {R"([["a.png", 100], ["b.png", 102.5], ["c.png", 104]])",
       Frames{{"a.png", 100}, {"b.png", 102.5}, {"c.png", 104}}},
      {R"([["sub/a.jpg", -3, "ignored", {}]])", Frames{{"sub/a.jpg", -3}}},
      {R"([["a", true], ["b", false]])", Frames{{"a", 1}, {"b", 0}}},
      {R"([["big", 18446744073709551615]])", Frames{{"big", 18446744073709551615.0}}},
      // Beyond a double's range: still numbers, as far off as can be, and
      // the other entries keep their times.
      {R"([["a", 0], ["never", 1e999], ["past", -1e400]])",
       Frames{{"a", 0}, {"never", 1.7976931348623157e308}, {"past", -1.7976931348623157e308}}},
      // Unusable pairs are skipped, the rest still count.
      {R"([["a", "1"], ["b", 2], [1, 3], ["c"], [], ["d", null], ["e", [4]]])", Frames{{"b", 2}}},
      {R"([["", 0]])", Frames{{"", 0}}},
      {"\t[ [\"a\" , 1 ] ]\n", Frames{{"a", 1}}},
      // Nothing usable at all.
      {"[]", std::nullopt},
      {"[[]]", std::nullopt},
      {R"([["a"], ["b"]])", std::nullopt},
      {R"([["a", "1"]])", std::nullopt},
      {R"([[1, 2]])", std::nullopt},
      // Not an array of arrays: rejected as a whole.
      {R"({"a": 1})", std::nullopt},
      {R"([["a", 1], "b.png", ["c", 2]])", std::nullopt},
      {R"([["a", 1], null])", std::nullopt},
      {R"([["a", 1], {"b": 2}])", std::nullopt},
      {R"("a")", std::nullopt},
      {"3", std::nullopt},
      {"null", std::nullopt},
      // Not JSON.
      {"", std::nullopt},
      {R"([["a", 1],])", std::nullopt},
      {R"([["a", 1]] [])", std::nullopt},
      {R"([["a", NaN]])", std::nullopt},
      {"[[\"\xff\", 1]]", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseIndex(c.text), c.expected) << c.text;
}

TEST(ReadIndex, ReadsIndexJsonInTheFolder) {
  TestFolder folder;
  std::ofstream(folder.path() / "index.json") << R"([["a.png", 1]])";
  EXPECT_EQ(readIndex(folder.path()), (Frames{{"a.png", 1}}));
}

TEST(ReadIndex, MissingOrUnreadableIndexGivesNothing) {
  TestFolder folder;
  EXPECT_FALSE(readIndex(folder.path()));
  EXPECT_FALSE(readIndex(folder.path() / "no such folder"));
  std::filesystem::create_directory(folder.path() / "index.json");
  EXPECT_FALSE(readIndex(folder.path()));
}

}  // namespace
}  // namespace vell::encode
