#include "common/atomic_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "common/test_folder.hpp"

namespace vell {

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporary) {
  TestFolder folder;
  fs::path target = folder.path() / "out.json";
  std::ofstream(target) << "old";
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("new content"), 0600));
  EXPECT_EQ(slurp(target), "new content");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.json"});
}

TEST(AtomicFile, CreatesWithTheRequestedMode) {
  TestFolder folder;
  mode_t previous = ::umask(0);
  fs::path target = folder.path() / "secret";
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("x"), 0600));
  ::umask(previous);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(AtomicFile, FailureLeavesOldFileAndNoTemporary) {
  TestFolder folder;
  fs::path target = folder.path() / "missing-folder" / "out";
  auto status = writeFileAtomically(target, std::string_view("x"), 0644);
  ASSERT_FALSE(status);
  EXPECT_NE(status.error().text.find("missing-folder"), std::string::npos);

  // A target that is a folder cannot be replaced by a file.
  fs::create_directory(folder.path() / "dir");
  EXPECT_FALSE(writeFileAtomically(folder.path() / "dir", std::string_view("x"), 0644));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"dir"});
  EXPECT_TRUE(fs::is_empty(folder.path() / "dir"));
}

TEST(AtomicFile, AbandonedTempFileIsRemoved) {
  TestFolder folder;
  fs::path target = folder.path() / "video.mp4";
  {
    auto file = TempFile::create(target, 0644);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->write(std::span<const unsigned char>()));
    EXPECT_TRUE(fs::exists(file->path()));
  }
  EXPECT_TRUE(folder.entries().empty());
}

}  // namespace vell
