#pragma once
// The Authoring Wizard: the carriers to mark (step 1), the copyright mark typed twice (2), the
// output folder and the carriers marked on the worker (3), then the Process Report.
#include <string>

#include "jobs/authoring_session.h"
#include "ui/wizard.h"

namespace murl::ui {

class AuthoringWizard : public Wizard {
 public:
  explicit AuthoringWizard(WizardHost& host);

  void begin() override;
  void completed(JobCompletion completion) override;
  void release() override;

  AuthoringSession& session() { return session_; }

 private:
  void showMark();
  void markChosen(const std::string& mark);

  AuthoringSession session_;
};

}  // namespace murl::ui
