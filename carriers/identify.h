#pragma once
// Which format a file is: by its extension first, then by its content (the count operation).
#include <optional>
#include <string>
#include <string_view>

#include "carriers/common/contract.h"

namespace murl {

// Who asks: modules can be neither marked nor checked.
enum class IdentifyPurpose : uint8_t { kHiding, kUnhiding, kAuthoring, kChecking };

// The type the extension (after the last "." past the path's first character) leads to, formats
// tried in the registry's order: an extension matches an entry it is a leading part of (letters
// folded), or a pattern such as "dl*" whose "*" stands for one letter. None when nothing matches.
std::optional<CarrierType> typeFromExtension(std::string_view path);

enum class Identified : uint8_t {
  kCarrier,      // the record holds its final type and carrier bits
  kNotACarrier,  // no message shown
  kUnreadable,   // "Couldn't open carrier!" shown
};

// What the file is for `purpose`. Shows "Couldn't open carrier!" when the file cannot be opened;
// no other message.
Identified identifyCarrier(const std::string& path, IdentifyPurpose purpose,
                           IdentificationRecord& record, Workspace& workspace);
// True when the file is a carrier; the same message.
bool identify(const std::string& path, IdentifyPurpose purpose, IdentificationRecord& record,
              Workspace& workspace);

}  // namespace murl
