#pragma once
// The Reporter of a front end whose jobs run on a worker thread while its own thread owns the
// screen. A worker's messages are posted to the front end's thread; a worker's question is posted
// there too, and the worker waits until the front end has answered it. Calls made on the front
// end's own thread go straight to its Reporter, so that thread never waits on itself.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/reporter.h"

namespace murl {

class WorkerReporter : public Reporter {
 public:
  // Hands a task to the front end's thread, to run there later (a queued event). Called on the
  // worker; it must not wait for the task.
  using Post = std::function<void(std::function<void()> task)>;

  // Made on the front end's thread. `direct` shows and asks there; it and this reporter must
  // outlive every task posted.
  WorkerReporter(Reporter& direct, Post post);
  WorkerReporter(const WorkerReporter&) = delete;
  WorkerReporter& operator=(const WorkerReporter&) = delete;

  void warn(const Message& message) override;
  void error(const Message& message) override;
  void report(const Message& message) override;
  // On a worker: posts the question and waits for the front end's answer; No once closed.
  bool askYesNo(const Message& message) override;

  // Answers No to the question waiting and to every later one: a quitting front end answers no
  // more questions, and its worker must not wait for one.
  void close();

 private:
  // Shows on the front end's thread, at once when called there.
  void show(void (Reporter::*kind)(const Message&), const Message& message);
  void deliver(uint64_t ticket, bool yes);

  Reporter& direct_;
  Post post_;
  std::thread::id frontEnd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t lastAsked_ = 0;  // the question a worker waits for
  uint64_t lastAnswered_ = 0;
  bool answer_ = false;
  bool closed_ = false;
};

}  // namespace murl
