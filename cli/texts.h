#pragma once
// The front end's own texts, in English and Italian (the program's messages are in
// core/messages.h).
#include "platform/locale.h"

namespace murl::cli {

enum class Text {
  kPasswordPrompt,
  kPasswordAgain,
  kPasswordRules,
  kNoPassword,
  kPasswordFileUnreadable,
  kYesNo,
  kYes,
  kNo,
  kBadLevel,
  kBadFormat,
  kBadOutput,
  kBadNumber,
  kBadLanguage,
  kNotACarrier,
  kTotal,
  kCarrierNotUsed,
  kMoreBitsNeeded,
  kNoSourceFiles,
  kSelectionNotFound,
  kReportWritten,
  kMarkPrompt,
  kMarkAgain,
  kMarkRules,
  kNoMark,
  kMarkFileUnreadable,
  kNothingMarked,
  kOutputFolderCreated,
  kOutputFolderNotCreated,
  kReportNotPrinted,
  kFirstLineTooLong,
  kInterrupted,
  kCount
};

const char* text(Text id, platform::Language language);

}  // namespace murl::cli
