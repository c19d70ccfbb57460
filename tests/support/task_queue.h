#pragma once
// The event queue of a front end's thread, for tests that run a job on a worker thread: the worker
// posts tasks, the test's thread runs them.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace murl::test {

class TaskQueue {
 public:
  // Any thread.
  void post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    posted_.notify_all();
  }

  // Waits up to `timeout` for a task and takes it; false when none came.
  bool take(std::function<void()>& task,
            std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    if (!posted_.wait_for(lock, timeout, [this] { return !tasks_.empty(); })) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace murl::test
