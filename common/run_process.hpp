#pragma once

// Runs a program as a parent would, for black-box tests: feeds it standard
// input, collects standard output and error, and waits for its exit status.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace vell {

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal number
  bool timedOut = false;
};

// `limit` above zero bounds the run: a child still running then is killed
// (status 128 + SIGKILL, `timedOut` set), so that a program that hangs fails
// its test instead of stalling the suite.
// posix_spawn's argument vector; it points into `program` and `args`.
inline std::vector<char*> argvOf(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& input = "",
                                std::chrono::milliseconds limit = std::chrono::milliseconds(0)) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv = argvOf(program, args);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    ::close(in[1]);
    ::close(out[0]);
    ::close(err[0]);
    throw std::runtime_error("cannot start " + program);
  }
  // A child that stops reading must not kill the test with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  ProcessResult result;
  size_t written = 0;
  int inFd = in[1];
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  } else {
    ::fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  bool outOpen = true, errOpen = true;
  char buffer[65536];
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (outOpen || errOpen || inFd >= 0) {
    pollfd fds[3] = {
        {outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}, {inFd, POLLOUT, 0}};
    int wait = -1;
    if (limit.count() > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        ::kill(pid, SIGKILL);
        result.timedOut = true;
        break;
      }
      wait = static_cast<int>(left.count());
    }
    if (::poll(fds, 3, wait) < 0 && errno != EINTR)
      break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0)
          (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(got));
        else
          (i == 0 ? outOpen : errOpen) = false;
      }
    }
    if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t put = ::write(inFd, input.data() + written, input.size() - written);
      if (put > 0)
        written += static_cast<size_t>(put);
      if (put < 0 && errno != EAGAIN) {
        ::close(inFd);
        inFd = -1;
      } else if (written == input.size()) {
        ::close(inFd);
        inFd = -1;
      }
    }
  }
  if (inFd >= 0)
    ::close(inFd);
  ::close(out[0]);
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// Where a started program's standard output goes: thrown away, or where its
// answers cannot arrive.
enum class Output { discarded, full, closed };

// Starts a program with standard input from `input` (a path), standard error
// thrown away and standard output as `output` says: /dev/null, /dev/full
// (every write fails with ENOSPC) or closed (every write fails with EBADF).
// Returns its process id; the caller signals it or waits for it (waitpid).
inline pid_t spawnProcess(const std::string& program, const std::vector<std::string>& args,
                          Output output = Output::discarded,
                          const std::string& input = "/dev/null") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  if (output == Output::closed)
    posix_spawn_file_actions_addclose(&actions, 1);
  else
    posix_spawn_file_actions_addopen(
        &actions, 1, output == Output::full ? "/dev/full" : "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv = argvOf(program, args);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    throw std::runtime_error("cannot start " + program);
  return pid;
}

// Runs a program as `spawnProcess` starts it and returns its exit status, or
// 128 + the signal that ended it.
inline int runToEnd(const std::string& program, const std::vector<std::string>& args, Output output,
                    const std::string& input = "/dev/null") {
  const pid_t pid = spawnProcess(program, args, output, input);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The path of a built program, from the BIN_DIR the test environment sets.
inline std::string programPath(const std::string& name) {
  const char* dir = std::getenv("BIN_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

}  // namespace vell
