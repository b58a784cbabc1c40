// What vell-cutout does before and around the vision request: arguments,
// unreadable input, and what it leaves behind. Quick: no test here gets as
// far as the segmentation network.

#include <gtest/gtest.h>

#include "common/nonregular_files.hpp"
#include "common/test_folder.hpp"
#include "cutout/tests/cutout_test_support.hpp"
#include "platform/image/hostile_pictures.hpp"

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

  // Drawings (one took minutes to render) and a JPEG whose few hundred bytes
  // claim 100 megapixels (once decoded whole, grey below its data).
  TestFolder hostile;
  for (const auto& picture : platform::testing::hostilePictures(hostile.path())) {
    if (!picture.unreadable)
      continue;
    ProcessResult result = cutout({picture.path.string(), out});
    EXPECT_EQ(result.status, 3) << picture.name;
    EXPECT_EQ(result.err, "unreadable\n") << picture.name;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CutoutProgram, LeavesItsInputAlone) {
  TestFolder folder;
  auto text = folder.path() / "notes.txt";
  std::ofstream(text) << "not a picture\n";
  cutout({text.string(), text.string()});
  EXPECT_EQ(testing::readFile(text), "not a picture\n");
}

// Only a regular file is read as a picture: a named pipe would hold the
// open, a device would never end.
TEST(CutoutProgram, OnlyRegularFilesAreRead) {
  TestFolder folder;
  std::vector<std::filesystem::path> inputs;
  for (const auto& special : vell::testing::nonRegularFiles(folder.path()))
    inputs.push_back(special.path);
  if (vell::testing::makeDevice(folder.path() / "zero", vell::testing::Device::zero))
    inputs.push_back(folder.path() / "zero");
  for (const auto& input : inputs) {
    ProcessResult result = cutout({input, (folder.path() / "out.png").string()});
    EXPECT_FALSE(result.timedOut) << input;
    EXPECT_EQ(result.status, 3) << input;
    EXPECT_EQ(result.err, "unreadable\n") << input;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.png"));
}

// The input is never written over, however the output path spells it.
TEST(CutoutProgram, RefusesToWriteOverItsInput) {
  TestFolder folder;
  const auto input = folder.path() / "in.png";
  std::filesystem::copy_file(testing::samplePicture("astronaut.png"), input);
  const std::string original = testing::readFile(input);
  std::filesystem::create_directory(folder.path() / "sub");
  std::filesystem::create_symlink(input, folder.path() / "link.png");
  std::filesystem::create_hard_link(input, folder.path() / "hard.png");
  for (const std::filesystem::path& output :
       {input, folder.path() / "." / "in.png", folder.path() / "sub" / ".." / "in.png",
        folder.path() / "link.png", folder.path() / "hard.png"}) {
    ProcessResult result = cutout({input.string(), output.string()});
    EXPECT_EQ(result.status, 5) << output;
    EXPECT_EQ(result.err, "the output is the input picture itself\n") << output;
    EXPECT_EQ(testing::readFile(input), original) << output;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.png"));
}

// A device or a named pipe at the output path is never replaced.
TEST(CutoutProgram, OutputsThatAreNotFilesAreLeftAlone) {
  TestFolder folder;
  for (const auto& special : vell::testing::nonRegularFiles(folder.path())) {
    if (special.kind == vell::testing::FileKind::folder ||
        special.kind == vell::testing::FileKind::socket)
      continue;
    SCOPED_TRACE(special.what);
    ProcessResult result = cutout({testing::samplePicture("astronaut.png"), special.path});
    EXPECT_EQ(result.status, 5);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    EXPECT_EQ(vell::testing::kindOf(special.path), special.kind);
  }
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

}  // namespace
}  // namespace vell::cutout
