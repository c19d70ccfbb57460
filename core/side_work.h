#pragma once
// Work a job runs on a thread of its own, beside the job's thread, in a Workspace of its own:
// its own buffers and flags, the job's language and file system. The job's thread waits for it
// with await(), which raises the work's stop and closing flags as the job's are raised.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/workspace.h"

namespace murl {

class SideWork {
 public:
  // The work's messages go to `reporter`. `job` must outlive this object.
  SideWork(const Workspace& job, Reporter& reporter)
      : job_(job), own_(reporter, job.language, job.fileSystem) {}
  // The owner abandons or awaits the work before this ends: no thread outlives it.
  ~SideWork() {
    abandon([] {});
  }
  SideWork(const SideWork&) = delete;
  SideWork& operator=(const SideWork&) = delete;

  // The work's Workspace, to set up before start() and to run the work in.
  Workspace& workspace() { return own_; }
  // Runs `work` on the thread; once.
  void start(std::function<void()> work);
  // Waits for the work to end and joins it, passing on the job's stop and closing flags and
  // calling `tick` every 20 ms meanwhile (to relay progress, on the job's thread).
  void await(const std::function<void()>& tick);
  // Unless already joined: raises the work's stop flag, lets `release` free whatever the work
  // may be waiting on, and joins it.
  void abandon(const std::function<void()>& release);

 private:
  const Workspace& job_;
  Workspace own_;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace murl
