#pragma once
// The Unhiding Wizard: the target carriers in the order they were written (step 1), the
// password (2), their bits gathered and decoded on the worker (3), then the hidden tree, from
// which selected items or all of them are extracted into a folder, as often as the user likes.
#include <string>
#include <vector>

#include "jobs/unhiding_session.h"
#include "ui/wizard.h"

namespace murl::ui {

class ExtractionPage;

class UnhidingWizard : public Wizard {
 public:
  explicit UnhidingWizard(WizardHost& host);

  void begin() override;
  void completed(JobCompletion completion) override;
  void failed() override;
  void release() override;

  UnhidingSession& session() { return session_; }

 private:
  void showPassword();
  void unhide(const std::string& password);
  void showExtraction();
  void extract(const ExtractionPage& page, bool all);
  // What the carriers themselves tell about an unhide whose data did not decode, a line each;
  // the wizard shows it under the failure message.
  std::vector<std::string> diagnosis() const;

  UnhidingSession session_;
};

}  // namespace murl::ui
