#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vell::place {

// Scheduling niceness of the workers: below interactive and default work,
// above background work.
inline constexpr int utilityNiceness = 10;

// A concurrent queue: `width` worker threads at utility priority take the
// submitted tasks in submission order. Destruction runs what is queued, then
// joins the workers.
class WorkQueue {
 public:
  explicit WorkQueue(int width);
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  void submit(std::function<void()> task);

 private:
  void work();

  std::mutex guard_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

// Counts the tasks not yet finished; `wait` returns once none is left.
class CompletionGroup {
 public:
  void enter();
  void leave();
  void wait();

 private:
  std::mutex guard_;
  std::condition_variable empty_;
  std::size_t count_ = 0;
};

}  // namespace vell::place
