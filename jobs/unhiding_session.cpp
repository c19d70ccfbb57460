#include "jobs/unhiding_session.h"

#include "jobs/job_scope.h"

namespace murl {

UnhidingSession::UnhidingSession(Workspace& workspace, JobListener& listener)
    : CarrierListSession(workspace, listener, IdentifyPurpose::kUnhiding), job_(workspace) {}

bool UnhidingSession::addCarriers(const std::vector<std::string>& paths, const Options& options,
                                  const NotUsed& notUsed) {
  return offerCarriers(paths, options, notUsed);
}

bool UnhidingSession::unhide(const Options& options, bool strictOrder) {
  JobScope scope(workspace_, listener_, options);
  return job_.run(carriers_.entries(), scope, strictOrder);
}

bool UnhidingSession::extractSelected(const ExtractionFolder& folder,
                                      const std::vector<size_t>& items,
                                      const std::string& outputFolder) {
  JobScope scope(workspace_, listener_);
  return job_.extractSelected(folder, items, outputFolder, scope);
}

bool UnhidingSession::extractAll(const std::string& outputFolder) {
  JobScope scope(workspace_, listener_);
  return job_.extractAll(outputFolder, scope);
}

void UnhidingSession::reset() {
  job_.release();
  carriers_.clear();
}

}  // namespace murl
