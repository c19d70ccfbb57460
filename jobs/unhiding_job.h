#pragma once
// The unhiding job: every carrier's data bits, in list order, are gathered and, on a thread of
// their own meanwhile, checked, deciphered and inflated into a temporary file (the decoded
// stream), which is then parsed into the tree of hidden files; they can then be extracted any
// number of times.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "core/job_listener.h"
#include "core/workspace.h"
#include "jobs/inspection.h"
#include "stream/extraction_tree.h"
#include "stream/stream_decoder.h"
#include "stream/temp_file.h"

namespace murl {

// The engine; an UnhidingSession starts each job and owns the carriers it reads.
class UnhidingJob {
 public:
  explicit UnhidingJob(Workspace& workspace) : workspace_(workspace) {}
  // The decoded stream is wiped and deleted with the job.
  ~UnhidingJob() { release(); }
  UnhidingJob(const UnhidingJob&) = delete;
  UnhidingJob& operator=(const UnhidingJob&) = delete;

  // Gathers and decodes the carriers (in the order they were hidden into) and builds the tree.
  // Each carrier's trailer is read as its bits are gathered; unless `strictOrder`, carriers that
  // form one whole hiding job in another order are gathered again in the order of their
  // trailers. Posts kFilesListed on success; kFailedOrStopped on a failure (after its message)
  // or a stop (nothing when closing). When the gathered bits do not decode, the carriers are
  // inspected (other levels tried) before the job ends. On failure the decoded stream is wiped
  // and deleted, and no thread is left running on any path.
  bool run(const std::vector<CarrierEntry>& carriers, JobListener& listener,
           bool strictOrder = false);
  const ExtractionTree& tree() const { return tree_; }
  // The positions of the carriers in the order they were read, when their trailers' order was
  // used; empty when they were read in the order given.
  const std::vector<size_t>& orderUsed() const { return orderUsed_; }
  // Why the last run's bits did not decode, over the carriers in the order they were read; none
  // after a success, a stop or any other failure.
  const std::optional<InspectionVerdict>& diagnosis() const { return diagnosis_; }

  // Extraction from the decoded stream (see Extractor): items of a folder of tree(), or all.
  bool extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                       const std::string& outputFolder, JobListener& listener);
  bool extractAll(const std::string& outputFolder, JobListener& listener);

  // Wipes and deletes the decoded stream and empties the tree (leaving the extraction page).
  void release();

 private:
  // Gathers the carriers in `order` (positions in `carriers`) and reads, in `readings` when
  // given, each carrier's trailer at the job's levels, by position.
  bool gather(const std::vector<CarrierEntry>& carriers, const std::vector<size_t>& order,
              platform::File& gathered, std::vector<CarrierInspection>* readings,
              JobListener& listener);
  // A fresh decoded stream and a decoder writing it, the previous one joined and wiped first.
  bool startDecoding(std::unique_ptr<StreamDecoder>& decoder, uint64_t gatheredBytes);
  // Gathers again, into a fresh decoder, in the trailers' order when the readings ask for it.
  bool followTrailers(const std::vector<CarrierEntry>& carriers,
                      const std::vector<CarrierInspection>& readings,
                      std::unique_ptr<StreamDecoder>& decoder, uint64_t gatheredBytes,
                      JobListener& listener);
  void diagnose(std::vector<CarrierInspection> readings);
  bool end(bool failed, JobListener& listener);

  Workspace& workspace_;
  TempFile decoded_;
  ExtractionTree tree_;
  std::vector<size_t> orderUsed_;
  std::optional<InspectionVerdict> diagnosis_;
};

}  // namespace murl
