#include "jobs/unhiding_job.h"

#include "bits/bit_spreader.h"
#include "bits/read_back.h"
#include "carriers/registry.h"
#include "jobs/job_scope.h"
#include "stream/extraction.h"
#include "stream/hidden_stream.h"
#include "stream/stream_decoder.h"

namespace murl {

bool UnhidingJob::run(const std::vector<CarrierEntry>& carriers, JobListener& listener,
                      bool strictOrder) {
  release();
  orderUsed_.clear();
  diagnosis_.reset();
  listener.stage(JobStage::kGathering);
  uint64_t totalBits = 0;
  for (const CarrierEntry& c : carriers) totalBits += c.carrierBits;
  std::vector<size_t> given(carriers.size());
  for (size_t i = 0; i < given.size(); ++i) given[i] = i;
  std::vector<CarrierInspection> readings(carriers.size());
  bool gathered = false, decoded = false;
  uint64_t length = 0;
  {
    // Decoding runs beside the gathering; the decoder is joined before anything is cleaned up.
    std::unique_ptr<StreamDecoder> decoder;
    gathered =
        !workspace_.interrupted() && startDecoding(decoder, totalBits / 8) &&
        gather(carriers, given, decoder->input(), &readings, listener) &&
        (strictOrder || followTrailers(carriers, readings, decoder, totalBits / 8, listener));
    if (gathered) {
      for (StatusLabel label : {StatusLabel::kTitle1, StatusLabel::kValue1})
        listener.status(label, "");
      listener.progress(0);
      listener.stage(JobStage::kDecoding);
      decoded = decoder->finish(listener, length);
    }
  }
  if (!gathered) return end(!workspace_.interrupted(), listener);
  if (!decoded || !parseHiddenStream(workspace_, decoded_.file(), length, tree_)) {
    if (!workspace_.interrupted()) diagnose(std::move(readings));
    return end(!workspace_.interrupted(), listener);
  }
  listener.status(StatusLabel::kValue1, "");
  listener.finished(JobCompletion::kFilesListed);
  return true;
}

bool UnhidingJob::startDecoding(std::unique_ptr<StreamDecoder>& decoder, uint64_t gatheredBytes) {
  decoder.reset();
  decoded_.wipe();
  if (!decoded_.create(workspace_)) return false;
  decoder = std::make_unique<StreamDecoder>(workspace_, gatheredBytes, decoded_.file());
  return true;
}

bool UnhidingJob::gather(const std::vector<CarrierEntry>& carriers,
                         const std::vector<size_t>& order, platform::File& gathered,
                         std::vector<CarrierInspection>* readings, JobListener& listener) {
  ExtractionSink sink(workspace_, gathered);
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
                                 const std::vector<CarrierInspection>& readings,
                                 std::unique_ptr<StreamDecoder>& decoder, uint64_t gatheredBytes,
                                 JobListener& listener) {
  InspectionVerdict verdict = judgeCarriers(readings, workspace_.options);
  if (verdict.verdict != Verdict::kReordered) return true;
  orderUsed_ = std::move(verdict.order);
  return startDecoding(decoder, gatheredBytes) &&
         gather(carriers, orderUsed_, decoder->input(), nullptr, listener);
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

// Cleans up after a failure (its message shown) or a stop: the decoded stream goes.
bool UnhidingJob::end(bool failed, JobListener& listener) {
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
