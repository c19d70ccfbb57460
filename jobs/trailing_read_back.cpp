#include "jobs/trailing_read_back.h"

#include <atomic>

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
      trailed_(target, expectedSize),
      writer_(trailed_.writer()),
      reader_(trailed_.reader()),
      side_(workspace, silent_) {
  Workspace& own = side_.workspace();
  own.options = workspace.options;
  own.carrierProgress = progress_.get();
  side_.start([this, &own, asTarget] {
    readOk_ = carrierHandler(asTarget.type).extract(reader_, asTarget, sink_, own);
  });
}

TrailingReadBack::~TrailingReadBack() { abandon(); }

void TrailingReadBack::abandon() {
  side_.abandon([this] { trailed_.end(); });
}

TrailingReadBack::Outcome TrailingReadBack::finish(bool written,
                                                   std::vector<TrailerRecord>& records) {
  if (!written) {
    abandon();
    return Outcome::kAbandoned;
  }
  trailed_.end();
  side_.await([this] { progress_->passOn(workspace_); });
  progress_->passOn(workspace_);
  if (workspace_.interrupted()) return Outcome::kAbandoned;
  if (!readOk_ || !trailed_.holds()) return Outcome::kReadAgain;
  records = sink_.take();
  return Outcome::kRead;
}

}  // namespace murl
