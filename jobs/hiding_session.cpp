#include "jobs/hiding_session.h"

#include "jobs/job_scope.h"
#include "jobs/process_report.h"
#include "platform/folders.h"

namespace murl {

HidingSession::HidingSession(Workspace& workspace, JobListener& listener)
    : CarrierListSession(workspace, listener, IdentifyPurpose::kHiding), job_(workspace) {}

bool HidingSession::addSource(const std::string& path) {
  SourceFolder& root = sources_.root();
  platform::FileSystem& files = workspace_.fileSystem;
  if (!files.isFolder(path))
    return sources_.addFile(workspace_, root, path) <= SourceAddResult::kAdded;
  // A folder is named as the user sees it: "hide ." takes the current folder's own name.
  std::string resolved = files.resolvePath(path);
  if (resolved.empty()) resolved = path;
  resolved = platform::withoutTrailingSeparators(resolved);
  bool added = false;
  // A whole disk ("/", or "C:\" on Windows) has no name: its contents go in at the top.
  if (platform::baseName(resolved).empty())
    return sources_.scanFolder(workspace_, root, path, added) <= SourceAddResult::kAdded;
  return sources_.addFolder(workspace_, root, path, platform::baseName(resolved), added) <=
         SourceAddResult::kAdded;
}

bool HidingSession::buildStream(const Options& options) {
  JobScope scope(workspace_, listener_, options);
  sources_.sort();
  return job_.buildStream(sources_, scope);
}

bool HidingSession::addCarriers(const std::vector<std::string>& paths, const Options& options,
                                const NotUsed& notUsed) {
  carriers_.setStreamBits(job_.streamBits());
  return offerCarriers(paths, options, notUsed);
}

uint32_t HidingSession::missingBits() const {
  uint32_t held = carriers_.totalBits();
  return held >= job_.streamBits() ? 0 : job_.streamBits() - held;
}

bool HidingSession::outOfRangeCheck() {
  carriers_.setStreamBits(job_.streamBits());
  return carriers_.outOfRangeCheck(workspace_);
}

bool HidingSession::writeCarriers(const std::string& outputFolder, const Options& options,
                                  bool verify) {
  JobScope scope(workspace_, listener_, options);
  writtenWith_ = options;
  return job_.writeCarriers(carriers_.entries(), outputFolder, scope, verify);
}

std::string HidingSession::report(bool maskPassword) const {
  ReportInput input = hidingReportInput(carriers_.entries(), job_.plan(), workspace_);
  input.options = writtenWith_;
  if (maskPassword) input.secret.assign(input.secret.size(), '*');
  return buildHidingReport(input);
}

void HidingSession::discardStream() {
  job_.discardStream();
  sources_.reset();
}

void HidingSession::reset() {
  job_.reset();
  sources_.reset();
  carriers_.clear();
}

}  // namespace murl
