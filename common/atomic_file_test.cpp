#include "common/atomic_file.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "common/nonregular_files.hpp"
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

// Only a regular file or nothing is ever replaced: writing "to" a device, a
// named pipe or a socket must not remove it.
TEST(AtomicFile, NothingButARegularFileIsReplaced) {
  TestFolder folder;
  std::ofstream(folder.path() / "regular") << "old";
  fs::create_symlink(folder.path() / "regular", folder.path() / "regular-link");
  const auto specials = testing::nonRegularFiles(folder.path());
  for (const auto& special : specials) {
    SCOPED_TRACE(special.what);
    auto status = writeFileAtomically(special.path, std::string_view("new"), 0644);
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().text.find("not a regular file"), std::string::npos)
        << status.error().text;
    EXPECT_EQ(testing::kindOf(special.path), special.kind);
    EXPECT_FALSE(TempFile::create(special.path, 0644));
  }
  // A link to a regular file is replaced like the file, the file itself kept.
  ASSERT_TRUE(writeFileAtomically(folder.path() / "regular-link", std::string_view("new"), 0644));
  EXPECT_EQ(slurp(folder.path() / "regular-link"), "new");
  EXPECT_EQ(slurp(folder.path() / "regular"), "old");
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// The target is looked at again at the rename: a pipe made there while the
// file was written stays.
TEST(AtomicFile, ATargetThatTurnsSpecialWhileWrittenIsKept) {
  TestFolder folder;
  fs::path target = folder.path() / "late";
  {
    auto file = TempFile::create(target, 0644);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->write(std::span<const unsigned char>()));
    ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
    EXPECT_FALSE(file->commit());
  }
  EXPECT_EQ(testing::kindOf(target), testing::FileKind::fifo);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"late"});
}

// Ended by a signal while writing (stopped by its parent, its terminal
// closed, a quit key, a reader gone), a process leaves no temporary file
// behind, and still ends by that signal.
TEST(AtomicFile, ASignalThatEndsTheProcessRemovesItsTemporaries) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE}) {
    SCOPED_TRACE(signal);
    TestFolder folder;
    const pid_t child = ::fork();
    if (child == 0) {
      // SIGQUIT would leave a core file.
      const rlimit noCore{0, 0};
      ::setrlimit(RLIMIT_CORE, &noCore);
      auto first = TempFile::create(folder.path() / "one.mp4", 0644);
      auto second = TempFile::create(folder.path() / "two.json", 0600);
      if (!first || !second || !first->write(std::span<const unsigned char>()))
        ::_exit(1);
      ::kill(::getpid(), signal);
      ::_exit(2);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_TRUE(folder.entries().empty()) << ::testing::PrintToString(folder.entries());
  }
}

}  // namespace vell
