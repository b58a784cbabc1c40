#include "calendar/run_loop.hpp"

#include <cerrno>
#include <ctime>

namespace vell::calendar {

RunLoop::RunLoop() {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGTERM);
  sigaddset(&signals_, SIGINT);
  ::sigprocmask(SIG_BLOCK, &signals_, &previous_);
}

RunLoop::~RunLoop() {
  ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

void RunLoop::async(std::function<void()> task) {
  queue_.push_back(std::move(task));
}

void RunLoop::scheduleRepeating(std::chrono::nanoseconds interval, std::function<void()> block) {
  interval_ = interval;
  timerBlock_ = std::move(block);
  nextFire_ = std::chrono::steady_clock::now() + interval;
}

bool RunLoop::stopRequested() const {
  sigset_t pending;
  sigemptyset(&pending);
  return ::sigpending(&pending) == 0 &&
         (sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1);
}

int RunLoop::run() {
  using Clock = std::chrono::steady_clock;
  for (;;) {
    while (!queue_.empty()) {
      auto task = std::move(queue_.front());
      queue_.pop_front();
      task();
    }
    auto now = Clock::now();
    if (timerBlock_ && now >= nextFire_) {
      timerBlock_();
      now = Clock::now();
      // Keep the timer on its grid; missed ticks are dropped, not queued.
      do
        nextFire_ += interval_;
      while (nextFire_ <= now);
      continue;
    }
    std::chrono::nanoseconds wait = timerBlock_ ? nextFire_ - now : std::chrono::hours(1);
    timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                     static_cast<long>(wait.count() % 1000000000)};
    int signal = ::sigtimedwait(&signals_, nullptr, &timeout);
    if (signal == SIGTERM || signal == SIGINT)
      return 0;
  }
}

}  // namespace vell::calendar
