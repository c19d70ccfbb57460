#pragma once
// The Hiding Wizard: sources (step 1), password and compression (2), the stream built on the
// worker (3), the carriers (4), the output folder and the carriers written on the worker (5),
// then the Process Report. It only collects; the HidingSession does the work.
#include <string>

#include "jobs/hiding_session.h"
#include "ui/wizard.h"

namespace murl::ui {

class HidingWizard : public Wizard {
 public:
  explicit HidingWizard(WizardHost& host);

  void begin() override;
  void completed(JobCompletion completion) override;
  void release() override;

  HidingSession& session() { return session_; }

 private:
  void showPassword();
  void buildStream(const std::string& password, uint8_t compressionLevel);
  void showCarriers();
  void carriersChosen();
  void writeCarriers(const std::string& folder);
  void showReport();

  HidingSession session_;
};

}  // namespace murl::ui
