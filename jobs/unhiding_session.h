#pragma once
// One unhiding run, in the order a front end goes through it:
//   1. addCarriers(paths, options, ...)  job: the target carriers, in the order they were written
//   2. unhide(options)                   job: gathers and decodes their bits into tree()
//   3. extractSelected() / extractAll()  jobs, any number of times: files out of the tree
// reset() or the session's end wipes the decoded stream and releases everything.
#include <string>
#include <vector>

#include "jobs/session.h"
#include "jobs/unhiding_job.h"

namespace murl {

class UnhidingSession : public CarrierListSession {
 public:
  UnhidingSession(Workspace& workspace, JobListener& listener);

  bool addCarriers(const std::vector<std::string>& paths, const Options& options,
                   const NotUsed& notUsed);

  // Reads the carriers with `options` (the levels they were written with), in the order their
  // trailers give when they form one whole hiding job in another order, unless `strictOrder`.
  // Posts kFilesListed, or kFailedOrStopped after a failure (its message shown) or a stop.
  bool unhide(const Options& options, bool strictOrder = false);
  const ExtractionTree& tree() const { return job_.tree(); }
  // Positions in carriers() in the order the last unhide read them, when it followed the
  // trailers; empty when it kept the order given.
  const std::vector<size_t>& orderUsed() const { return job_.orderUsed(); }
  // When the last unhide's bits did not decode: what the carriers' trailers tell, over the
  // carriers in the order they were read.
  const std::optional<InspectionVerdict>& diagnosis() const { return job_.diagnosis(); }

  // Extracts items of a folder of tree() (subfolders numbered first, then files), each with its
  // subtree, or every item, into `outputFolder`. Shows "Extraction successfully completed" when
  // all went well; posts nothing.
  bool extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                       const std::string& outputFolder);
  bool extractAll(const std::string& outputFolder);

  // Wipes the decoded stream, empties the tree and the carrier list.
  void reset();

 private:
  UnhidingJob job_;
};

}  // namespace murl
