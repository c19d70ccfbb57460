#pragma once
#include <memory>

#include "ui/wizard.h"

namespace murl::ui {

// The wizard a main-menu command starts; null for commands that start none.
std::unique_ptr<Wizard> makeWizard(MenuCommand command, WizardHost& host);

}  // namespace murl::ui
