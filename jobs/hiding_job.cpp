#include "jobs/hiding_job.h"

#include <algorithm>

#include "bits/read_back.h"
#include "carriers/registry.h"
#include "jobs/job_scope.h"
#include "jobs/trailing_read_back.h"
#include "platform/ascii_case.h"
#include "platform/folders.h"
#include "stream/hidden_stream.h"

namespace murl {
namespace {

// Bytes past ASCII compare as negative values, so they sort before every letter and digit.
signed char folded(char c) { return static_cast<signed char>(asciiLower(c)); }

// While it lives, the handlers' block reports move one half of the carrier's span of the bar:
// writing the target the first, reading it back the second (the whole span when `halved` is
// false: there is no read-back).
class ProgressHalf final : public CarrierProgress {
 public:
  ProgressHalf(Workspace& workspace, bool second, bool halved)
      : workspace_(workspace), whole_(workspace.carrierProgress), second_(second), halved_(halved) {
    workspace_.carrierProgress = this;
  }
  ~ProgressHalf() override { workspace_.carrierProgress = whole_; }
  ProgressHalf(const ProgressHalf&) = delete;
  ProgressHalf& operator=(const ProgressHalf&) = delete;

  void advanced(uint64_t done, uint64_t total) override {
    if (!whole_) return;
    if (!halved_) return whole_->advanced(done, total);
    whole_->advanced((second_ ? total : 0) + done, 2 * total);
  }

 private:
  Workspace& workspace_;
  CarrierProgress* whole_;
  bool second_;
  bool halved_;
};

}  // namespace

bool planNameBefore(const std::string& a, const std::string& b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    signed char x = folded(a[i]);
    signed char y = folded(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::vector<PlanEntry> buildPlan(const std::vector<CarrierEntry>& carriers, uint32_t streamBits) {
  std::vector<uint32_t> bits;
  bits.reserve(carriers.size());
  for (const CarrierEntry& c : carriers) bits.push_back(c.carrierBits);
  std::vector<StreamShare> shares = assignStreamBits(bits, streamBits);
  std::vector<PlanEntry> plan;
  plan.reserve(carriers.size());
  for (size_t i = 0; i < carriers.size(); ++i)
    plan.push_back({static_cast<uint16_t>(i), platform::baseName(carriers[i].path), shares[i], 0});
  // Exchanging only out-of-order neighbours keeps equal names in list order: a stable sort.
  std::stable_sort(plan.begin(), plan.end(), [](const PlanEntry& x, const PlanEntry& y) {
    return planNameBefore(x.targetName, y.targetName);
  });
  return plan;
}

HidingJob::~HidingJob() { discardStream(); }

void HidingJob::discardStream() { stream_.wipe(); }

void HidingJob::reset() {
  discardStream();
  streamBits_ = 0;
  plan_.clear();
}

bool HidingJob::buildStream(const SourceTree& tree, JobListener& listener) {
  streamBits_ = 0;
  // The writer wipes and deletes its file itself on a failure or a stop.
  if (writeHiddenStream(workspace_, tree, listener, stream_, streamBits_)) {
    listener.status(StatusLabel::kTitle1, "");
    listener.status(StatusLabel::kValue1, "");
    listener.finished(JobCompletion::kStreamBuilt);
    return true;
  }
  return endUnfinished(workspace_, listener);
}

bool HidingJob::writeCarriers(const std::vector<CarrierEntry>& carriers,
                              const std::string& outputFolder, JobListener& listener, bool verify) {
  verify_ = verify;
  // Front ends check this before they start; a job asked to write fewer bits than the stream
  // holds would report success for data that cannot come back.
  uint64_t total = 0;
  for (const CarrierEntry& carrier : carriers) total += carrier.carrierBits;
  if (total < streamBits_) {
    workspace_.show(MessageId::kInsufficientCarrierBits);
    return endFailed(workspace_, listener);
  }
  platform::Folder folder = openOutputFolder(outputFolder, workspace_);
  if (!folder.isOpen()) return endFailed(workspace_, listener);
  workspace_.sessionNumber += 1;
  uint32_t high = workspace_.random.drawWord(0, 0xFFFF);
  uint32_t jobNumber = (high << 16) | workspace_.random.drawWord(0, 0xFFFF);
  plan_ = buildPlan(carriers, streamBits_);
  if (!targetsApartFromSources(carriers, folder, workspace_))
    return endFailed(workspace_, listener);

  HideJob job;
  job.stream = &stream_.file();
  job.trailer.sessionNumber = workspace_.sessionNumber;
  job.trailer.jobNumber = jobNumber;
  job.trailer.carrierCount = static_cast<uint16_t>(carriers.size());
  if (!writeTargets(carriers, folder, outputFolder, job, listener))
    return endUnfinished(workspace_, listener);
  clearStatusLabels(listener);
  listener.finished(JobCompletion::kCarriersWritten);
  return true;
}

bool HidingJob::writeTargets(const std::vector<CarrierEntry>& carriers, platform::Folder& folder,
                             const std::string& outputFolder, HideJob& job, JobListener& listener) {
  OverallProgress progress(workspace_, listener, plan_.size());
  for (size_t j = 0; j < plan_.size(); ++j) {
    if (workspace_.interrupted()) return false;
    PlanEntry& entry = plan_[j];
    const CarrierEntry& carrier = carriers[entry.carrierIndex];
    const std::string target = targetPath(outputFolder, entry.targetName);
    listener.status(StatusLabel::kValue1, carrier.path);
    progress.begin(j);
    listener.status(StatusLabel::kValue2, target);
    job.trailer.carrierIndex = entry.carrierIndex;
    if (!writeOne(entry, carrier, folder, target, job)) return false;
    progress.end();
  }
  return true;
}

bool HidingJob::writeOne(PlanEntry& entry, const CarrierEntry& carrier, platform::Folder& folder,
                         const std::string& target, const HideJob& job) {
  CarrierEntry asTarget = carrier;
  asTarget.path = target;
  return writeTarget(carrier.path, folder, entry.targetName, workspace_,
                     [&](platform::File& src, platform::File& dst) {
                       return fillTarget(src, dst, entry, carrier, asTarget, job);
                     });
}

bool HidingJob::fillTarget(platform::File& src, platform::File& dst, PlanEntry& entry,
                           const CarrierEntry& carrier, const CarrierEntry& asTarget,
                           const HideJob& job) {
  std::vector<TrailerRecord> written;
  HideJob recorded = job;
  recorded.written = &written;
  if (!verify_) return hideInto(src, dst, entry, carrier, recorded);
  if (!dst.readsAtWhileWritten() || !carrierHandler(carrier.type).writesTargetInOneSweep())
    return hideInto(src, dst, entry, carrier, recorded) && readBackMatches(asTarget, dst, written);
  std::vector<TrailerRecord> read;
  const TrailingReadBack::Outcome outcome = [&] {
    TrailingReadBack readBack(workspace_, asTarget, dst, src.size());
    const bool hidden = hideInto(src, readBack.writer(), entry, carrier, recorded);
    ProgressHalf second(workspace_, true, true);
    return readBack.finish(hidden, read);
  }();
  if (outcome == TrailingReadBack::Outcome::kAbandoned) return false;
  // A reading beside the writing only ever passes a target: a failed or differing one is read
  // again, and that reading decides.
  if (outcome == TrailingReadBack::Outcome::kRead && read == written) return true;
  return readBackMatches(asTarget, dst, written);
}

bool HidingJob::hideInto(platform::File& src, platform::File& dst, PlanEntry& entry,
                         const CarrierEntry& carrier, const HideJob& job) {
  ProgressHalf first(workspace_, false, verify_);
  if (!stream_.file().seek(0)) {
    workspace_.show(MessageId::kCouldntReadTempFile);
    return false;
  }
  return carrierHandler(carrier.type)
      .hide(src, dst, carrier, entry.share, job, workspace_, entry.percentage);
}

// The target is read back through the file just written, before it has a name: what is named
// is what was checked.
bool HidingJob::readBackMatches(const CarrierEntry& asTarget, platform::File& back,
                                const std::vector<TrailerRecord>& written) {
  ProgressHalf second(workspace_, true, true);
  if (!back.seek(0)) {
    workspace_.show(MessageId::kCouldntReadFile);
    return false;
  }
  ReadBackSink sink;
  if (!carrierHandler(asTarget.type).extract(back, asTarget, sink, workspace_)) return false;
  if (sink.take() == written) return true;
  workspace_.show(MessageId::kTargetNotAsWritten);
  return false;
}

ReportInput hidingReportInput(const std::vector<CarrierEntry>& carriers,
                              const std::vector<PlanEntry>& plan, const Workspace& workspace) {
  ReportInput input;
  input.language = workspace.language;
  input.secret = std::string(workspace.password.text());
  input.options = workspace.options;
  for (const CarrierEntry& c : carriers) markLevelsUsed(c, input.formatUsed);
  input.carriers.resize(carriers.size());
  for (size_t i = 0; i < carriers.size(); ++i)
    input.carriers[i].name = platform::baseName(carriers[i].path);
  for (const PlanEntry& entry : plan)
    if (entry.carrierIndex < input.carriers.size())
      input.carriers[entry.carrierIndex].share = entry.percentage;
  return input;
}

}  // namespace murl
