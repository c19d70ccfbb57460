#pragma once
// Every text the desktop application shows of its own, in English and Italian: page titles,
// labels, buttons, tooltips, dialog titles and filter names. The program's messages are in
// core/messages.h; the level names in core/options.h.
#include <QString>
#include <cstdint>

#include "platform/locale.h"
#include "ui/pages.h"

namespace murl::ui {

using platform::Language;

enum class UiText : uint16_t {
  // Main window.
  kTooltipBackToMainMenu,  // the seven buttons, in command order
  kTooltipHidingWizard,
  kTooltipUnhidingWizard,
  kTooltipAuthoringWizard,
  kTooltipCheckingWizard,
  kTooltipOptionsPanel,
  kTooltipHomePage,
  kStatusLine,
  kHelpTitle,
  kUsage,
  kYes,
  kNo,
  kOk,
  // Pages shared by the wizards.
  kNext,
  kColumnName,
  kColumnBits,
  kColumnOrder,
  kOrderHint,
  kAddCarriers,
  kCarriersCount,  // "%s"
  kBitsOfStream,   // "%s/%s"
  kBitsTotal,      // "%s"
  kEnterPassword,
  kPasswordHint,
  kSelectOutputFolder,
  kSourceCarrier,
  kTargetCarrier,
  kSave,
  kSaveReportTitle,
  kTextFilesFilter,
  // Hiding Wizard.
  kRootItem,
  kAddFiles,
  kAddFolder,
  kFilesNum,     // "%s"
  kSizeBytes,    // "%s"
  kAllFilesAny,  // the source files' only filter
  kCompressionLevel,
  kCompressingEncrypting,
  // Unhiding Wizard.
  kScanning,
  kDecryptingDecompressing,
  kColumnAttr,
  kColumnSize,
  kParentFolder,  // the row that leads back up
  kFolderAttr,
  kSizeInBytes,  // "%s"
  kExtractSelected,
  kExtractAll,
  // Authoring Wizard and Checking Panel.
  kEnterMark,
  kMarkHint,
  kCheckCarrier,
  // Options Panel.
  kBitsSelectionLevel,
  kDefault,
  kAccept,
  // Carrier filter names that span formats.
  kAllSupported,
  kAllSupportedImages,
  kAllSupportedAudios,
  kAllFiles,
  kCount
};

// The text in the chosen language, as stored (a "%s" where a number goes).
const char* uiText(UiText id, Language language);
QString text(UiText id, Language language);
// The text with each "%s" replaced, in order, by the arguments.
QString text(UiText id, Language language, const QString& first, const QString& second = {});

// "Murl v1.01 - Hiding Step 1" and the like.
const char* pageTitle(PageId page, Language language);

// The tooltip of main-menu button 0 (command 1000) to 6 (command 1006).
UiText buttonTooltip(int button);

// The address command 1006 opens.
extern const char* const kHomePageAddress;

}  // namespace murl::ui
