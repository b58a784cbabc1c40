// What vell-cutout does before and around the vision request: arguments,
// unreadable input, and what it leaves behind. Quick: no test here gets as
// far as the segmentation network.

#include <gtest/gtest.h>

#include "common/test_folder.hpp"
#include "cutout/tests/cutout_test_support.hpp"

namespace vell::cutout {
namespace {

using testing::cutout;

TEST(CutoutProgram, UsageUnlessExactlyTwoArguments) {
  TestFolder folder;
  std::string out = (folder.path() / "out.png").string();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {out}, {testing::samplePicture("astronaut.png"), out, out}, {"", "", ""}}) {
    ProcessResult result = cutout(args);
    EXPECT_EQ(result.status, 2) << args.size();
    EXPECT_EQ(result.err, "usage: vell-cutout in out.png\n");
    EXPECT_EQ(result.out, "");
  }
  EXPECT_TRUE(folder.entries().empty());
}

TEST(CutoutProgram, UnreadableInputs) {
  TestFolder folder;
  auto text = folder.path() / "notes.txt";
  std::ofstream(text) << "not a picture\n";
  auto empty = folder.path() / "empty.png";
  std::ofstream{empty};
  std::string out = (folder.path() / "out.png").string();
  for (const std::string& input : {
           text.string(),
           empty.string(),
           (folder.path() / "missing.jpg").string(),
           folder.path().string(),  // a folder
           testing::derivedPicture("bee-truncated.jpg"),
           // 400 megapixels in 400 KB: refused from its header, not decoded.
           testing::derivedPicture("bomb-20000x20000.png"),
       }) {
    ProcessResult result = cutout({input, out});
    EXPECT_EQ(result.status, 3) << input;
    EXPECT_EQ(result.err, "unreadable\n") << input;
    EXPECT_EQ(result.out, "") << input;
  }
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"empty.png", "notes.txt"}));
}

TEST(CutoutProgram, LeavesItsInputAlone) {
  TestFolder folder;
  auto text = folder.path() / "notes.txt";
  std::ofstream(text) << "not a picture\n";
  cutout({text.string(), text.string()});
  EXPECT_EQ(testing::readFile(text), "not a picture\n");
}

}  // namespace
}  // namespace vell::cutout
