// Answers that cannot be written must not end the run as a success: the
// parent would take lost answers for answered requests. Nothing is ever
// written to standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "common/run_process.hpp"
#include "common/test_folder.hpp"

namespace vell::seal {

namespace {

enum class Output { devFull, closed, file };

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs vell-seal with `input` on standard input (or the folder itself, which
// cannot be read, when `input` is null) and standard output as `output`.
Outcome runSeal(const TestFolder& folder, const std::vector<std::string>& args, const char* input,
                Output output) {
  const std::string in = input ? (folder.path() / "in").string() : folder.path().string();
  const std::string out = (folder.path() / "out").string();
  const std::string err = (folder.path() / "err").string();
  if (input)
    std::ofstream(in) << input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  if (output == Output::devFull)
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  else if (output == Output::closed)
    posix_spawn_file_actions_addclose(&actions, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string program = programPath("vell-seal");
  std::vector<char*> argv = argvOf(program, args);
  pid_t pid = 0;
  Outcome run;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  auto read = [](const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  };
  run.out = read(out);
  run.err = read(err);
  return run;
}

}  // namespace

TEST(LostAnswers, AnswersThatCannotBeWrittenEndTheRunWithStatus74) {
  TestFolder folder;
  const char* requests = "{\"op\":\"ping\"}\n{\"op\":\"keypair\"}\n{\"op\":\"ping\"}\n";
  for (Output output : {Output::devFull, Output::closed}) {
    Outcome run = runSeal(folder, {}, requests, output);
    EXPECT_EQ(run.status, 74) << static_cast<int>(output);
    EXPECT_EQ(run.err, "");
  }
  // The verdict of the self-test too.
  Outcome run = runSeal(folder, {"selftest"}, "", Output::devFull);
  EXPECT_EQ(run.status, 74);
  EXPECT_EQ(run.err, "");
  // Written answers still end with 0.
  run = runSeal(folder, {}, requests, Output::file);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3);
}

TEST(LostAnswers, UnreadableInputIsNotTheEndOfInput) {
  TestFolder folder;
  Outcome run = runSeal(folder, {}, nullptr, Output::file);  // a folder on standard input
  EXPECT_EQ(run.status, 74);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

}  // namespace vell::seal
