#include "jobs/authoring_session.h"

#include <algorithm>

#include "carriers/registry.h"
#include "jobs/job_scope.h"
#include "jobs/process_report.h"
#include "jobs/target_writer.h"
#include "platform/folders.h"

namespace murl {

AuthoringSession::AuthoringSession(Workspace& workspace, JobListener& listener)
    : CarrierListSession(workspace, listener, IdentifyPurpose::kAuthoring) {}

bool AuthoringSession::markAccepted(std::string_view first, std::string_view second) {
  return first == second && !first.empty() && first.size() <= kMarkSize &&
         first.find('\0') == std::string_view::npos;
}

bool AuthoringSession::addCarriers(const std::vector<std::string>& paths, const Options& options,
                                   const NotUsed& notUsed) {
  return offerCarriers(paths, options, notUsed);
}

bool AuthoringSession::setMark(std::string_view text) {
  if (!markAccepted(text, text)) return false;
  markText_ = text;
  mark_.fill(0);
  std::copy(text.begin(), text.end(), mark_.begin());
  return true;
}

bool AuthoringSession::markCarriers(const std::string& outputFolder, const Options& options) {
  JobScope scope(workspace_, listener_, options);
  markedWith_ = options;
  percentages_.assign(carriers_.size(), 0.0);
  platform::Folder folder = openOutputFolder(outputFolder, workspace_);
  if (!folder.isOpen() || !targetsApartFromSources(carriers_.entries(), folder, workspace_))
    return endFailed(workspace_, scope);
  if (!markEach(folder, outputFolder, scope)) return endUnfinished(workspace_, scope);
  clearStatusLabels(scope);
  scope.finished(JobCompletion::kCarriersMarked);
  return true;
}

// Each carrier in list order: there is no trailer to number, so no order to keep but the user's.
bool AuthoringSession::markEach(platform::Folder& folder, const std::string& outputFolder,
                                JobListener& listener) {
  const std::vector<CarrierEntry>& carriers = carriers_.entries();
  OverallProgress progress(workspace_, listener, carriers.size());
  for (size_t i = 0; i < carriers.size(); ++i) {
    if (workspace_.interrupted()) return false;
    const CarrierEntry& carrier = carriers[i];
    const std::string name = platform::baseName(carrier.path);
    listener.status(StatusLabel::kValue1, carrier.path);
    progress.begin(i);
    listener.status(StatusLabel::kValue2, targetPath(outputFolder, name));
    const bool marked = writeTarget(
        carrier.path, folder, name, workspace_, [&](platform::File& src, platform::File& dst) {
          return carrierHandler(carrier.type).mark(src, dst, mark_, workspace_, percentages_[i]);
        });
    if (!marked) return false;
    progress.end();
  }
  return true;
}

std::string AuthoringSession::report() const {
  ReportInput input;
  input.language = workspace_.language;
  input.secret = markText_;
  input.options = markedWith_;
  const std::vector<CarrierEntry>& carriers = carriers_.entries();
  for (size_t i = 0; i < carriers.size(); ++i) {
    markLevelsUsed(carriers[i], input.formatUsed);
    input.carriers.push_back({carriers[i].path, i < percentages_.size() ? percentages_[i] : 0});
  }
  return buildAuthoringReport(input);
}

void AuthoringSession::reset() {
  markText_.clear();
  mark_.fill(0);
  percentages_.clear();
  carriers_.clear();
}

}  // namespace murl
