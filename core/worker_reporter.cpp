#include "core/worker_reporter.h"

#include <utility>

namespace murl {

WorkerReporter::WorkerReporter(Reporter& direct, Post post)
    : direct_(direct), post_(std::move(post)), frontEnd_(std::this_thread::get_id()) {}

void WorkerReporter::show(void (Reporter::*kind)(const Message&), const Message& message) {
  if (std::this_thread::get_id() == frontEnd_) {
    (direct_.*kind)(message);
    return;
  }
  post_([this, kind, message] { (direct_.*kind)(message); });
}

void WorkerReporter::warn(const Message& message) { show(&Reporter::warn, message); }
void WorkerReporter::error(const Message& message) { show(&Reporter::error, message); }
void WorkerReporter::report(const Message& message) { show(&Reporter::report, message); }

bool WorkerReporter::askYesNo(const Message& message) {
  if (std::this_thread::get_id() == frontEnd_) return direct_.askYesNo(message);
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  uint64_t ticket = ++lastAsked_;
  lock.unlock();
  post_([this, message, ticket] { deliver(ticket, direct_.askYesNo(message)); });
  lock.lock();
  changed_.wait(lock, [&] { return closed_ || lastAnswered_ == ticket; });
  // An answer given before the close still counts.
  return lastAnswered_ == ticket && answer_;
}

void WorkerReporter::deliver(uint64_t ticket, bool yes) {
  std::lock_guard lock(mutex_);
  if (closed_ || ticket != lastAsked_) return;
  lastAnswered_ = ticket;
  answer_ = yes;
  changed_.notify_all();
}

void WorkerReporter::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace murl
