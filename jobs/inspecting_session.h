#pragma once
// One inspection of target carriers: what their trailers tell about the hiding job that wrote
// them, and why they would or would not unhide, without the password.
//   1. inspect(paths, options)   job: every carrier read, in the order given, and judged
//   2. verdict()                 front end's thread: the carriers and the verdict over them
#include <string>
#include <vector>

#include "jobs/inspection.h"
#include "jobs/session.h"

namespace murl {

class InspectingSession : public JobSession {
 public:
  InspectingSession(Workspace& workspace, JobListener& listener);

  // Reads each file's trailers at `options` (other levels when they fail there) and judges the
  // set. Posts kCarriersInspected; kFailedOrStopped when stopped (nothing when closing) or when a
  // file cannot be opened (its message shown). A file that is no carrier is one of the set's
  // findings, not a failure.
  bool inspect(const std::vector<std::string>& paths, const Options& options);
  const InspectionVerdict& verdict() const { return verdict_; }

 private:
  InspectionVerdict verdict_;
};

}  // namespace murl
