#pragma once
// The Hiding Wizard: sources (step 1), password and compression (2), the stream built on the
// worker (3), the carriers (4), the output folder and the carriers written on the worker (5),
// then the Process Report. It only collects; the HidingSession does the work.
#include <optional>
#include <string>

#include "jobs/hiding_session.h"
#include "ui/wizard.h"

namespace murl::ui {

class CarriersPage;

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
  void addCarriers(const std::vector<std::string>& paths);
  void carriersChosen();
  // The output folder, asked until one is chosen or the user gives up (nothing then).
  std::optional<std::string> outputFolder();
  void writeCarriers(const std::string& folder);
  void showReport();

  HidingSession session_;
  Options jobOptions_;  // the settings, with this run's compression level
  CarriersPage* carriersPage_ = nullptr;
};

}  // namespace murl::ui
