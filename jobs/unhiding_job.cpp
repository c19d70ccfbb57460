#include "jobs/unhiding_job.h"

#include "bits/bit_spreader.h"
#include "carriers/registry.h"
#include "jobs/job_scope.h"
#include "stream/extraction.h"
#include "stream/hidden_stream.h"

namespace murl {

bool UnhidingJob::run(const std::vector<CarrierEntry>& carriers, JobListener& listener) {
  release();
  TempFile gathered;
  if (!gathered.create(workspace_)) return end(true, gathered, listener);
  if (workspace_.interrupted() || !gather(carriers, gathered, listener))
    return end(!workspace_.interrupted(), gathered, listener);

  uint64_t totalBits = 0;
  for (const CarrierEntry& c : carriers) totalBits += c.carrierBits;
  for (StatusLabel label : {StatusLabel::kTitle1, StatusLabel::kValue1}) listener.status(label, "");
  listener.progress(0);
  if (!readHiddenStream(workspace_, gathered.file(), totalBits / 8, listener, decoded_, tree_))
    return end(!workspace_.interrupted(), gathered, listener);
  gathered.wipe();
  listener.status(StatusLabel::kValue1, "");
  listener.finished(JobCompletion::kFilesListed);
  return true;
}

bool UnhidingJob::gather(const std::vector<CarrierEntry>& carriers, TempFile& gathered,
                         JobListener& listener) {
  ExtractionSink sink(workspace_, gathered.file());
  sink.reset();
  OverallProgress progress(workspace_, listener, carriers.size());
  for (size_t i = 0; i < carriers.size(); ++i) {
    if (workspace_.interrupted()) return false;
    const CarrierEntry& carrier = carriers[i];
    progress.begin(i);
    listener.status(StatusLabel::kValue1, carrier.path);
    platform::File src = workspace_.fileSystem.openRead(carrier.path);
    if (!src.isOpen()) {
      workspace_.show(MessageId::kCouldntOpenCarrier);
      return false;
    }
    if (!carrierHandler(carrier.type).extract(src, carrier, sink, workspace_)) return false;
    progress.end();
  }
  return sink.flush();
}

// Cleans up after a failure (its message shown) or a stop: both temporary files go.
bool UnhidingJob::end(bool failed, TempFile& gathered, JobListener& listener) {
  gathered.wipe();
  release();
  return failed ? endFailed(workspace_, listener) : endStopped(workspace_, listener);
}

bool UnhidingJob::extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                                  const std::string& outputFolder, JobListener& listener) {
  Extractor extractor(workspace_, listener, decoded_.file());
  return extractor.extractSelected(folder, items, outputFolder);
}

bool UnhidingJob::extractAll(const std::string& outputFolder, JobListener& listener) {
  Extractor extractor(workspace_, listener, decoded_.file());
  return extractor.extractAll(tree_, outputFolder);
}

void UnhidingJob::release() {
  decoded_.wipe();
  tree_.clear();
}

}  // namespace murl
