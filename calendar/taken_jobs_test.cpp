#include "calendar/taken_jobs.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "common/test_folder.hpp"

namespace vell::calendar {
namespace {

TEST(TakenJobs, TheSameFileIsHeldARewrittenOneIsNew) {
  TestFolder folder;
  const std::string path = (folder.path() / "a.json").string();
  std::ofstream(path) << R"({"task":"create"})";
  TakenJobs taken;
  EXPECT_FALSE(taken.holds("a.json", path));
  taken.remember("a.json", path);
  EXPECT_TRUE(taken.holds("a.json", path));
  EXPECT_FALSE(taken.holds("b.json", path));

  // A new job under the same name: another file, other contents.
  std::filesystem::remove(path);
  std::ofstream(path) << R"({"task":"events","x":1})";
  EXPECT_FALSE(taken.holds("a.json", path));

  taken.remember("a.json", path);
  taken.keepOnly({"other.json"});
  EXPECT_EQ(taken.size(), 0u);
  taken.remember("gone.json", (folder.path() / "gone.json").string());
  EXPECT_EQ(taken.size(), 0u);
}

}  // namespace
}  // namespace vell::calendar
