#pragma once
// One check of one carrier, as the Checking Panel (or murl-cli check) runs it:
//   1. check(path, options)   job: identifies the carrier, reads its mark back and rebuilds it
//   2. result(), tree()       front end's thread: what the last check found
// A session may check any number of carriers, one after the other.
#include <string>
#include <vector>

#include "jobs/check_report.h"
#include "jobs/session.h"

namespace murl {

class CheckingSession : public JobSession {
 public:
  CheckingSession(Workspace& workspace, JobListener& listener);

  // Checks the carrier with `options` (the levels it was marked with). Posts kCarrierChecked, or
  // kFailedOrStopped after a failure (its one message: "No carrier bits or unsupported file
  // type!", "Insufficient carrier bits!", "Couldn't open carrier!" or the check's own) or a stop.
  bool check(const std::string& path, const Options& options);

  // Whether the last check succeeded; result() and tree() describe it only then.
  bool checked() const { return checked_; }
  const CheckResult& result() const { return result_; }
  // The report tree in the workspace's language, counts grouped as the user's locale does.
  std::vector<ReportNode> tree() const;

 private:
  bool readMark(const std::string& path, JobListener& listener);

  CheckCollector collector_;
  CheckResult result_;
  bool checked_ = false;
};

}  // namespace murl
