#include "jobs/checking_session.h"

#include "carriers/registry.h"
#include "jobs/carrier_list.h"
#include "jobs/job_scope.h"

namespace murl {

CheckingSession::CheckingSession(Workspace& workspace, JobListener& listener)
    : JobSession(workspace, listener) {}

bool CheckingSession::check(const std::string& path, const Options& options) {
  JobScope scope(workspace_, listener_, options);
  checked_ = false;
  result_ = CheckResult{};
  if (!readMark(path, scope)) return endUnfinished(workspace_, scope);
  checked_ = true;
  clearStatusLabels(scope);
  scope.finished(JobCompletion::kCarrierChecked);
  return true;
}

bool CheckingSession::readMark(const std::string& path, JobListener& listener) {
  IdentificationRecord record;
  switch (identifyCarrier(path, IdentifyPurpose::kChecking, record, workspace_)) {
    case Identified::kUnreadable:
      return false;
    case Identified::kNotACarrier:
      workspace_.show(MessageId::kNoCarrierBits);
      return false;
    case Identified::kCarrier:
      break;
  }
  // Fewer bits than one whole mark would leave positions that no byte was read at.
  if (record.carrierBits < kMarkCarrierBits) {
    workspace_.show(MessageId::kInsufficientCarrierBits);
    return false;
  }
  platform::File src = workspace_.fileSystem.openRead(path);
  if (!src.isOpen()) {
    workspace_.show(MessageId::kCouldntOpenCarrier);
    return false;
  }
  collector_.reset();
  OverallProgress progress(workspace_, listener, 1);
  listener.status(StatusLabel::kValue1, path);
  progress.begin(0);
  if (!carrierHandler(record.type).check(src, record.carrierBits, collector_, workspace_))
    return false;
  progress.end();
  result_.path = path;
  result_.type = record.type;
  result_.carrierBits = record.carrierBits;
  result_.level = workspace_.options.level(typeFacts(record.type).level);
  analyseMark(collector_, result_);
  return true;
}

std::vector<ReportNode> CheckingSession::tree() const {
  return checkReportTree(result_, workspace_.language, platform::thousandSeparator());
}

}  // namespace murl
