#pragma once
// The start and the end of one job, and its progress over a run of carriers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/job_listener.h"
#include "core/options.h"
#include "core/workspace.h"

namespace murl {

// One job's run, on the thread that runs it; the job reports through it. Starting sets busy,
// clears the stop flag (a job that failed or was stopped leaves it set) and copies the front
// end's options into the workspace, where the handlers read them for the whole job however the
// front end's own copy changes meanwhile. Progress and status pass straight on; the completion
// clears busy before it is passed on, so a front end may release the job's data as soon as it
// sees it. A job that posts nothing (the application is closing) clears busy as its scope ends.
class JobScope : public JobListener {
 public:
  JobScope(Workspace& workspace, JobListener& frontEnd, const Options& options);
  // For jobs that read no option (extraction): the workspace keeps the options it holds.
  JobScope(Workspace& workspace, JobListener& frontEnd);
  ~JobScope() override;
  JobScope(const JobScope&) = delete;
  JobScope& operator=(const JobScope&) = delete;

  void progress(uint8_t percent) override;
  void status(StatusLabel label, const std::string& text) override;
  void stage(JobStage stage) override;
  void finished(JobCompletion completion) override;

 private:
  Workspace& workspace_;
  JobListener& frontEnd_;
  bool posted_ = false;
};

// How a job ends when it cannot finish; both return false, for the job to return. After a
// failure (its message shown): title 1 and value 1 cleared, the stop flag set, kFailedOrStopped
// posted. When the stop or closing flag was found set: no message, the same labels cleared and
// kFailedOrStopped posted, except while the application closes, when nothing is posted.
bool endFailed(Workspace& workspace, JobListener& listener);
bool endStopped(Workspace& workspace, JobListener& listener);
// Whichever of the two the flags tell.
bool endUnfinished(Workspace& workspace, JobListener& listener);
// Clears the four status labels, as a job that finished does before it posts.
void clearStatusLabels(JobListener& listener);

// The job's bar over `count` carriers: carrier i spans i * 100 / count to (i + 1) * 100 / count,
// and the handler's reports, once per block or row, move the bar across that span. Only changed
// percentages are passed on, so a handler reporting every block does not flood the front end.
// Hooked into the workspace for its lifetime, which ends before the job posts how it ended.
class OverallProgress : public CarrierProgress {
 public:
  OverallProgress(Workspace& workspace, JobListener& listener, size_t count);
  ~OverallProgress() override;
  OverallProgress(const OverallProgress&) = delete;
  OverallProgress& operator=(const OverallProgress&) = delete;

  // The bar at the start of carrier `index`.
  void begin(size_t index);
  void advanced(uint64_t done, uint64_t total) override;
  // The bar at the end of the current carrier, whether or not its handler reported its last block.
  void end();

 private:
  void show(uint64_t done, uint64_t total);

  Workspace& workspace_;
  JobListener& listener_;
  size_t count_;
  size_t index_ = 0;
  int shown_ = -1;
};

}  // namespace murl
