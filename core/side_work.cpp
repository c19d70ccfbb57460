#include "core/side_work.h"

#include <chrono>

namespace murl {

void SideWork::start(std::function<void()> work) {
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    std::lock_guard lock(mutex_);
    done_ = true;
    ended_.notify_all();
  });
}

void SideWork::await(const std::function<void()>& tick) {
  using namespace std::chrono_literals;
  if (!thread_.joinable()) return;
  for (std::unique_lock lock(mutex_); !ended_.wait_for(lock, 20ms, [&] { return done_; });) {
    lock.unlock();
    // Flags are only ever raised on the way in: the work polls its own per block.
    if (job_.stop) own_.stop = true;
    if (job_.closing) own_.closing = true;
    tick();
    lock.lock();
  }
  thread_.join();
}

void SideWork::abandon(const std::function<void()>& release) {
  if (!thread_.joinable()) return;
  own_.stop = true;
  release();
  thread_.join();
}

}  // namespace murl
