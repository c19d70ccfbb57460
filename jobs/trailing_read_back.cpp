#include "jobs/trailing_read_back.h"

#include <atomic>
#include <chrono>

#include "carriers/registry.h"

namespace murl {

// The reader's latest block report, for the job's thread to pass on.
class TrailingReadBack::Progress final : public CarrierProgress {
 public:
  void advanced(uint64_t done, uint64_t total) override {
    total_ = total;
    done_ = done;
  }
  void passOn(Workspace& workspace) const {
    const uint64_t total = total_;
    if (total != 0) workspace.reportBlock(done_, total);
  }

 private:
  std::atomic<uint64_t> done_{0};
  std::atomic<uint64_t> total_{0};
};

TrailingReadBack::TrailingReadBack(Workspace& workspace, const CarrierEntry& asTarget,
                                   platform::File& target, uint64_t expectedSize)
    : workspace_(workspace),
      progress_(std::make_unique<Progress>()),
      own_(std::make_unique<Workspace>(silent_, workspace.language, workspace.fileSystem)),
      trailed_(target, expectedSize),
      writer_(trailed_.writer()),
      reader_(trailed_.reader()) {
  own_->options = workspace.options;
  own_->carrierProgress = progress_.get();
  thread_ = std::thread([this, asTarget] {
    const bool ok = carrierHandler(asTarget.type).extract(reader_, asTarget, sink_, *own_);
    std::lock_guard lock(mutex_);
    readOk_ = ok;
    done_ = true;
    ended_.notify_all();
  });
}

TrailingReadBack::~TrailingReadBack() { abandon(); }

void TrailingReadBack::abandon() {
  if (!thread_.joinable()) return;
  own_->stop = true;
  trailed_.end();
  thread_.join();
}

TrailingReadBack::Outcome TrailingReadBack::finish(bool written,
                                                   std::vector<TrailerRecord>& records) {
  using namespace std::chrono_literals;
  if (!written) {
    abandon();
    return Outcome::kAbandoned;
  }
  trailed_.end();
  for (std::unique_lock lock(mutex_); !ended_.wait_for(lock, 20ms, [&] { return done_; });) {
    lock.unlock();
    // Flags are only ever raised on the way in: the reader polls its own per block.
    if (workspace_.stop) own_->stop = true;
    if (workspace_.closing) own_->closing = true;
    progress_->passOn(workspace_);
    lock.lock();
  }
  thread_.join();
  progress_->passOn(workspace_);
  if (workspace_.interrupted()) return Outcome::kAbandoned;
  if (!readOk_ || !trailed_.holds()) return Outcome::kReadAgain;
  records = sink_.take();
  return Outcome::kRead;
}

}  // namespace murl
