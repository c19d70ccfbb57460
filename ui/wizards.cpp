#include "ui/wizards.h"

#include "ui/authoring_wizard.h"
#include "ui/checking_panel.h"
#include "ui/hiding_wizard.h"
#include "ui/options_panel.h"
#include "ui/unhiding_wizard.h"

namespace murl::ui {

std::unique_ptr<Wizard> makeWizard(MenuCommand command, WizardHost& host) {
  switch (command) {
    case MenuCommand::kHidingWizard:
      return std::make_unique<HidingWizard>(host);
    case MenuCommand::kUnhidingWizard:
      return std::make_unique<UnhidingWizard>(host);
    case MenuCommand::kAuthoringWizard:
      return std::make_unique<AuthoringWizard>(host);
    case MenuCommand::kCheckingWizard:
      return std::make_unique<CheckingWizard>(host);
    case MenuCommand::kOptionsPanel:
      return std::make_unique<OptionsWizard>(host);
    default:
      return nullptr;
  }
}

}  // namespace murl::ui
