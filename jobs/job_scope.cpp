#include "jobs/job_scope.h"

#include <algorithm>

namespace murl {

JobScope::JobScope(Workspace& workspace, JobListener& frontEnd, const Options& options)
    : JobScope(workspace, frontEnd) {
  workspace_.options = options;
}

JobScope::JobScope(Workspace& workspace, JobListener& frontEnd)
    : workspace_(workspace), frontEnd_(frontEnd) {
  workspace_.busy = true;
  workspace_.stop = false;
}

// After a completion the front end may already have started the next job, whose busy this is.
JobScope::~JobScope() {
  if (!posted_) workspace_.busy = false;
}

void JobScope::progress(uint8_t percent) { frontEnd_.progress(percent); }

void JobScope::status(StatusLabel label, const std::string& text) { frontEnd_.status(label, text); }

void JobScope::stage(JobStage stage) { frontEnd_.stage(stage); }

void JobScope::finished(JobCompletion completion) {
  posted_ = true;
  workspace_.busy = false;
  frontEnd_.finished(completion);
}

bool endFailed(Workspace& workspace, JobListener& listener) {
  listener.status(StatusLabel::kTitle1, "");
  listener.status(StatusLabel::kValue1, "");
  workspace.stop = true;
  listener.finished(JobCompletion::kFailedOrStopped);
  return false;
}

bool endStopped(Workspace& workspace, JobListener& listener) {
  if (workspace.closing) return false;
  listener.status(StatusLabel::kTitle1, "");
  listener.status(StatusLabel::kValue1, "");
  listener.finished(JobCompletion::kFailedOrStopped);
  return false;
}

bool endUnfinished(Workspace& workspace, JobListener& listener) {
  return workspace.interrupted() ? endStopped(workspace, listener) : endFailed(workspace, listener);
}

void clearStatusLabels(JobListener& listener) {
  for (StatusLabel label :
       {StatusLabel::kTitle1, StatusLabel::kValue1, StatusLabel::kTitle2, StatusLabel::kValue2})
    listener.status(label, "");
}

OverallProgress::OverallProgress(Workspace& workspace, JobListener& listener, size_t count)
    : workspace_(workspace), listener_(listener), count_(std::max<size_t>(count, 1)) {
  workspace_.carrierProgress = this;
}

OverallProgress::~OverallProgress() { workspace_.carrierProgress = nullptr; }

void OverallProgress::begin(size_t index) {
  index_ = index;
  show(0, 1);
}

void OverallProgress::advanced(uint64_t done, uint64_t total) {
  if (total == 0) return;
  show(std::min(done, total), total);
}

void OverallProgress::end() { show(1, 1); }

void OverallProgress::show(uint64_t done, uint64_t total) {
  // At most 65535 carriers, and a total cut to 32 bits: the products stay within 64 bits.
  while (total > UINT32_MAX) {
    total >>= 1;
    done >>= 1;
  }
  uint64_t percent = (index_ * total + done) * 100 / (count_ * total);
  if (static_cast<int>(percent) == shown_) return;
  shown_ = static_cast<int>(percent);
  listener_.progress(static_cast<uint8_t>(percent));
}

}  // namespace murl
