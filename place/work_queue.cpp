#include "place/work_queue.hpp"

#include <sys/resource.h>
#include <unistd.h>

namespace vell::place {

WorkQueue::WorkQueue(int width) {
  for (int i = 0; i < width; ++i)
    workers_.emplace_back([this] { work(); });
}

WorkQueue::~WorkQueue() {
  {
    std::lock_guard lock(guard_);
    closing_ = true;
  }
  ready_.notify_all();
  for (auto& worker : workers_)
    worker.join();
}

void WorkQueue::submit(std::function<void()> task) {
  {
    std::lock_guard lock(guard_);
    tasks_.push_back(std::move(task));
  }
  ready_.notify_one();
}

void WorkQueue::work() {
  // Linux applies a thread's own niceness to it alone; a refusal only leaves
  // the worker at normal priority.
  (void)::setpriority(PRIO_PROCESS, ::gettid(), utilityNiceness);
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(guard_);
      ready_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
      if (tasks_.empty())
        return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void CompletionGroup::enter() {
  std::lock_guard lock(guard_);
  ++count_;
}

void CompletionGroup::leave() {
  std::lock_guard lock(guard_);
  if (--count_ == 0)
    empty_.notify_all();
}

void CompletionGroup::wait() {
  std::unique_lock lock(guard_);
  empty_.wait(lock, [this] { return count_ == 0; });
}

}  // namespace vell::place
