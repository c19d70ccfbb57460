#include "jobs/inspecting_session.h"

#include "jobs/job_scope.h"

namespace murl {

InspectingSession::InspectingSession(Workspace& workspace, JobListener& listener)
    : JobSession(workspace, listener) {}

bool InspectingSession::inspect(const std::vector<std::string>& paths, const Options& options) {
  JobScope scope(workspace_, listener_, options);
  verdict_ = InspectionVerdict{};
  std::vector<CarrierInspection> carriers(paths.size());
  {
    OverallProgress progress(workspace_, scope, paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      progress.begin(i);
      scope.status(StatusLabel::kValue1, paths[i]);
      if (workspace_.interrupted() || !inspectCarrier(paths[i], workspace_, carriers[i]))
        return endUnfinished(workspace_, scope);
      progress.end();
    }
  }
  verdict_ = judgeCarriers(std::move(carriers), workspace_.options);
  clearStatusLabels(scope);
  scope.finished(JobCompletion::kCarriersInspected);
  return true;
}

}  // namespace murl
