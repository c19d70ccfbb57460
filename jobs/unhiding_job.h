#pragma once
// The unhiding job: every carrier's data bits, in list order, are gathered into a temporary
// file, checked, deciphered and inflated into a second one (the decoded stream) and parsed into
// the tree of hidden files, which can then be extracted any number of times.
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "core/job_listener.h"
#include "core/workspace.h"
#include "stream/extraction_tree.h"
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
  // Posts kFilesListed on success; kFailedOrStopped on a failure (after its message) or a stop
  // (nothing when closing). The gathered file is wiped and deleted on every path; on failure the
  // decoded too.
  bool run(const std::vector<CarrierEntry>& carriers, JobListener& listener);
  const ExtractionTree& tree() const { return tree_; }

  // Extraction from the decoded stream (see Extractor): items of a folder of tree(), or all.
  bool extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                       const std::string& outputFolder, JobListener& listener);
  bool extractAll(const std::string& outputFolder, JobListener& listener);

  // Wipes and deletes the decoded stream and empties the tree (leaving the extraction page).
  void release();

 private:
  bool gather(const std::vector<CarrierEntry>& carriers, TempFile& gathered, JobListener& listener);
  bool end(bool failed, TempFile& gathered, JobListener& listener);

  Workspace& workspace_;
  TempFile decoded_;
  ExtractionTree tree_;
};

}  // namespace murl
