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
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace vell {

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal number
};

inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& input = "") {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
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
  while (outOpen || errOpen || inFd >= 0) {
    pollfd fds[3] = {
        {outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (::poll(fds, 3, -1) < 0 && errno != EINTR)
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
  ::close(out[0]);
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// The path of a built program, from the BIN_DIR the test environment sets.
inline std::string programPath(const std::string& name) {
  const char* dir = std::getenv("BIN_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

}  // namespace vell
