#pragma once
// Every message the program shows, in English and Italian, with its title and icon kind.
#include <cstdint>
#include <string>

#include "platform/locale.h"

namespace murl {

using platform::Language;

enum class MessageId : uint16_t {
  kCouldntLoadInternalResource,
  kCouldntCreateBrush,
  kNeeded256Colors,
  kNeeded640x480,
  kOutOfMemory,
  kCouldntCreateWindowItem,
  kCouldntReadSourceFile,
  kWrongCarrierBitsNumber,
  kCouldntWriteTargetFile,
  kCouldntReadTempFile,
  kCouldntWriteTempFile,
  kCouldntReadFile,
  kCouldntCreateInterface,
  kFolderNameTooLong,
  kHidingPathTooLong,
  kCouldntStartThread,
  kCompressionError,
  kHidingDataBitsTooMany,
  kCouldntOpenSourceFile,
  kCouldntCreateTargetFile,
  kCouldntOpenCarrier,
  kCouldntOpenFile,
  kInvalidData,
  kMaxSubfolders,
  kMaxCarriers,
  kMaxFiles,
  kEnoughCarriers,
  kCarrierAlreadyAdded,
  kMaxTotalCarrierBits,
  kCouldntWriteFile,
  kCouldntCreateFile,
  kCouldntCreateFolder,
  kFileNameTooLong,
  kNoCarrierBits,
  kInsufficientCarrierBits,
  kQuitAreYouSure,
  kQuitRequested,
  kNeedOutputFolder,
  kTargetExistsOverwrite,
  kFileExistsOverwrite,
  kExtractionCompleted,
  kLastCarrierOutOfRange,
  kLastCarriersOutOfRange,
  kScanCouldntOpenFile,
  kScanFileTooBig,
  kScanTotalTooBig,
  kScanFileAlreadyAdded,
  kScanFolderAlreadyAdded,
  kHiddenStreamTooLong,
  kTargetIsSource,
  kHiddenNameUnusable,
  kTargetNotAsWritten,
  kCount
};

enum class MessageKind : uint8_t {
  kWarning,   // title "Warning", exclamation icon
  kQuestion,  // title "Warning", exclamation icon, Yes and No buttons
  kError,     // title "Error", stop icon
  kReport,    // title "Report", information icon
  kCaption,   // a title only, used by another message's box
};

// A text of the program's own, other than a message, in both languages.
struct TextPair {
  const char* english;
  const char* italian;
};
inline const char* pick(const TextPair& pair, Language language) {
  return language == Language::kItalian ? pair.italian : pair.english;
}

MessageKind messageKind(MessageId id);
// The message in the chosen language, as stored (line breaks are "\r\n").
const char* messageText(MessageId id, Language language);
// The title its box carries: "Warning", "Error" or "Report" in the chosen language.
const char* messageTitle(MessageId id, Language language);
// The text with its one "%u" (if any) replaced by the number.
std::string formatMessage(MessageId id, Language language, uint32_t number = 0);

}  // namespace murl
