#pragma once

// The main thread's event loop: a queue of work handed to the main thread, a
// repeating steady timer, and SIGTERM and SIGINT taken only while the loop
// waits, so that the process never ends in the middle of a tick or a file.

#include <chrono>
#include <csignal>
#include <deque>
#include <functional>

namespace vell::calendar {

class RunLoop {
 public:
  // Blocks SIGTERM and SIGINT for the life of the loop.
  RunLoop();
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Runs `task` on the loop, before its next wait.
  void async(std::function<void()> task);

  // Runs `block` every `interval` of the steady clock, the first time one
  // interval from now. A late tick does not queue up the ones it missed.
  void scheduleRepeating(std::chrono::nanoseconds interval, std::function<void()> block);

  // Runs until SIGTERM or SIGINT arrives; returns the exit status, 0.
  int run();

  // Whether SIGTERM or SIGINT has arrived and waits to be taken: long work
  // asks between its steps, and gives up so that the loop can end.
  bool stopRequested() const;

 private:
  sigset_t signals_{};
  sigset_t previous_{};
  std::deque<std::function<void()>> queue_;
  std::function<void()> timerBlock_;
  std::chrono::nanoseconds interval_{0};
  std::chrono::steady_clock::time_point nextFire_{};
};

}  // namespace vell::calendar
