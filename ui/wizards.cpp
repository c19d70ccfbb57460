#include "ui/wizards.h"

#include "ui/hiding_wizard.h"

namespace murl::ui {

std::unique_ptr<Wizard> makeWizard(MenuCommand command, WizardHost& host) {
  switch (command) {
    case MenuCommand::kHidingWizard:
      return std::make_unique<HidingWizard>(host);
    default:
      return nullptr;
  }
}

}  // namespace murl::ui
