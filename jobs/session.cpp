#include "jobs/session.h"

#include "jobs/job_scope.h"

namespace murl {

CarrierListSession::CarrierListSession(Workspace& workspace, JobListener& listener,
                                       IdentifyPurpose purpose)
    : JobSession(workspace, listener), carriers_(purpose) {}

bool CarrierListSession::offerCarriers(const std::vector<std::string>& paths,
                                       const Options& options, const NotUsed& notUsed) {
  JobScope scope(workspace_, listener_, options);
  bool full = false;
  for (const std::string& path : paths) {
    full = full || workspace_.interrupted();
    if (!full) scope.status(StatusLabel::kValue1, path);
    CarrierAddResult result =
        full ? CarrierAddResult::kLimitReached : carriers_.add(path, workspace_);
    if (result == CarrierAddResult::kAdded) continue;
    if (result == CarrierAddResult::kOutOfMemory) {
      scope.status(StatusLabel::kValue1, "");
      return false;
    }
    if (result == CarrierAddResult::kLimitReached) full = true;
    if (notUsed) notUsed(path);
  }
  scope.status(StatusLabel::kValue1, "");
  return true;
}

}  // namespace murl
