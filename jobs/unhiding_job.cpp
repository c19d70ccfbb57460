#include "jobs/unhiding_job.h"

#include "bits/bit_spreader.h"
#include "bits/read_back.h"
#include "carriers/registry.h"
#include "jobs/job_scope.h"
#include "stream/extraction.h"
#include "stream/hidden_stream.h"

namespace murl {

bool UnhidingJob::run(const std::vector<CarrierEntry>& carriers, JobListener& listener,
                      bool strictOrder) {
  release();
  orderUsed_.clear();
  diagnosis_.reset();
  listener.stage(JobStage::kGathering);
  TempFile gathered;
  if (!gathered.create(workspace_)) return end(true, gathered, listener);
  std::vector<size_t> given(carriers.size());
  for (size_t i = 0; i < given.size(); ++i) given[i] = i;
  std::vector<CarrierInspection> readings(carriers.size());
  if (workspace_.interrupted() || !gather(carriers, given, gathered, &readings, listener) ||
      (!strictOrder && !followTrailers(carriers, readings, gathered, listener)))
    return end(!workspace_.interrupted(), gathered, listener);

  uint64_t totalBits = 0;
  for (const CarrierEntry& c : carriers) totalBits += c.carrierBits;
  for (StatusLabel label : {StatusLabel::kTitle1, StatusLabel::kValue1}) listener.status(label, "");
  listener.progress(0);
  listener.stage(JobStage::kDecoding);
  if (!readHiddenStream(workspace_, gathered.file(), totalBits / 8, listener, decoded_, tree_)) {
    if (!workspace_.interrupted()) diagnose(std::move(readings));
    return end(!workspace_.interrupted(), gathered, listener);
  }
  gathered.wipe();
  listener.status(StatusLabel::kValue1, "");
  listener.finished(JobCompletion::kFilesListed);
  return true;
}

bool UnhidingJob::gather(const std::vector<CarrierEntry>& carriers,
                         const std::vector<size_t>& order, TempFile& gathered,
                         std::vector<CarrierInspection>* readings, JobListener& listener) {
  ExtractionSink sink(workspace_, gathered.file());
  sink.reset();
  // One walk gathers a carrier's bits and reads its trailer.
  ReadBackSink readBack(&sink);
  UnitBitSink& into = readings ? static_cast<UnitBitSink&>(readBack) : sink;
  OverallProgress progress(workspace_, listener, order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    if (workspace_.interrupted()) return false;
    const CarrierEntry& carrier = carriers[order[i]];
    progress.begin(i);
    listener.status(StatusLabel::kValue1, carrier.path);
    platform::File src = workspace_.fileSystem.openRead(carrier.path);
    if (!src.isOpen()) {
      workspace_.show(MessageId::kCouldntOpenCarrier);
      return false;
    }
    if (!carrierHandler(carrier.type).extract(src, carrier, into, workspace_)) return false;
    if (readings)
      (*readings)[order[i]] = inspectionOf(carrier, readBack.take(), workspace_.options);
    progress.end();
  }
  return sink.flush();
}

bool UnhidingJob::followTrailers(const std::vector<CarrierEntry>& carriers,
                                 const std::vector<CarrierInspection>& readings, TempFile& gathered,
                                 JobListener& listener) {
  InspectionVerdict verdict = judgeCarriers(readings, workspace_.options);
  if (verdict.verdict != Verdict::kReordered) return true;
  if (!gathered.file().seek(0) || !gathered.file().truncate(0)) {
    workspace_.show(MessageId::kCouldntWriteTempFile);
    return false;
  }
  orderUsed_ = std::move(verdict.order);
  return gather(carriers, orderUsed_, gathered, nullptr, listener);
}

// The carriers as they were read, each at other levels too when its trailer did not read at the
// job's; a stop leaves no diagnosis.
void UnhidingJob::diagnose(std::vector<CarrierInspection> readings) {
  std::vector<CarrierInspection> asRead;
  if (orderUsed_.empty()) {
    asRead = std::move(readings);
  } else {
    for (size_t i : orderUsed_) asRead.push_back(std::move(readings[i]));
  }
  for (CarrierInspection& carrier : asRead)
    if (!carrier.trailerFound && !searchOtherLevels(workspace_, carrier)) return;
  diagnosis_ = judgeCarriers(std::move(asRead), workspace_.options);
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
