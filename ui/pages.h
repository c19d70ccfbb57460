#pragma once
// Which page the main window shows, and the commands of the main menu's buttons. The page decides
// the window's title and the help topic F1 opens.
#include <cstdint>

namespace murl::ui {

enum class PageId : uint8_t {
  kMainMenu,
  kHiding1,
  kHiding2,
  kHiding3,
  kHiding4,
  kHiding5,
  kHidingReport,
  kUnhiding1,
  kUnhiding2,
  kUnhiding3,
  kUnhidingExtraction,
  kAuthoring1,
  kAuthoring2,
  kAuthoring3,
  kAuthoringReport,
  kChecking,
  kOptions,
  kCount
};

// The buttons of the main menu, by the command each sends.
enum class MenuCommand : uint16_t {
  kBackToMainMenu = 1000,
  kHidingWizard = 1001,
  kUnhidingWizard = 1002,
  kAuthoringWizard = 1003,
  kCheckingWizard = 1004,
  kOptionsPanel = 1005,
  kHomePage = 1006,
};
constexpr int kMenuButtonCount = 7;
constexpr MenuCommand menuCommand(int button) { return static_cast<MenuCommand>(1000 + button); }

}  // namespace murl::ui
