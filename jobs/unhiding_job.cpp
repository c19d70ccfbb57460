#include "jobs/unhiding_job.h"

#include "bits/bit_spreader.h"
#include "carriers/registry.h"
#include "stream/extraction.h"
#include "stream/hidden_stream.h"

namespace murl {
namespace {

struct BusyScope {
  explicit BusyScope(Workspace& w) : workspace(w) { workspace.busy = true; }
  ~BusyScope() { workspace.busy = false; }
  Workspace& workspace;
};

}  // namespace

bool UnhidingJob::run(const std::vector<CarrierEntry>& carriers) {
  BusyScope busy(workspace_);
  release();
  TempFile gathered;
  if (!gathered.create(workspace_)) return end(true, gathered);
  if (workspace_.interrupted() || !gather(carriers, gathered))
    return end(!workspace_.interrupted(), gathered);

  uint64_t totalBits = 0;
  for (const CarrierEntry& c : carriers) totalBits += c.carrierBits;
  for (StatusLabel label : {StatusLabel::kTitle1, StatusLabel::kValue1})
    listener_.status(label, "");
  listener_.progress(0);
  if (!readHiddenStream(workspace_, gathered.file(), totalBits / 8, listener_, decoded_, tree_))
    return end(!workspace_.interrupted(), gathered);
  gathered.wipe();
  listener_.status(StatusLabel::kValue1, "");
  listener_.finished(JobCommand::kFilesListed);
  return true;
}

bool UnhidingJob::gather(const std::vector<CarrierEntry>& carriers, TempFile& gathered) {
  ExtractionSink sink(workspace_, gathered.file());
  sink.reset();
  size_t n = carriers.size();
  for (size_t i = 0; i < n; ++i) {
    if (workspace_.interrupted()) return false;
    const CarrierEntry& carrier = carriers[i];
    listener_.progress(static_cast<uint8_t>((i + 1) * 100 / n));
    listener_.status(StatusLabel::kValue1, carrier.path);
    platform::File src = workspace_.fileSystem.openRead(carrier.path);
    if (!src.isOpen()) {
      workspace_.show(MessageId::kCouldntOpenCarrier);
      return false;
    }
    if (!carrierHandler(carrier.type).extract(src, carrier, sink, workspace_)) return false;
  }
  return sink.flush();
}

// Cleans up after a failure (its message shown) or a stop: both temporary files go.
bool UnhidingJob::end(bool failed, TempFile& gathered) {
  gathered.wipe();
  release();
  if (failed) workspace_.stop = true;
  for (StatusLabel label : {StatusLabel::kTitle1, StatusLabel::kValue1})
    listener_.status(label, "");
  if (failed || !workspace_.closing) listener_.finished(JobCommand::kFailedOrStopped);
  return false;
}

bool UnhidingJob::extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                                  const std::string& outputFolder) {
  BusyScope busy(workspace_);
  Extractor extractor(workspace_, listener_, decoded_.file());
  return extractor.extractSelected(folder, items, outputFolder);
}

bool UnhidingJob::extractAll(const std::string& outputFolder) {
  BusyScope busy(workspace_);
  Extractor extractor(workspace_, listener_, decoded_.file());
  return extractor.extractAll(tree_, outputFolder);
}

void UnhidingJob::release() {
  decoded_.wipe();
  tree_.clear();
}

}  // namespace murl
