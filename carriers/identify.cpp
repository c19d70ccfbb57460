#include "carriers/identify.h"

#include "carriers/registry.h"
#include "platform/ascii_case.h"

namespace murl {
namespace {

// A pattern needs the extension at least as long; characters past it are ignored.
bool matchesPattern(std::string_view pattern, std::string_view extension) {
  if (extension.size() < pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = asciiLower(extension[i]);
    if (pattern[i] == '*' ? (c < 'a' || c > 'z') : c != pattern[i]) return false;
  }
  return true;
}

// A plain entry matches an extension that is a leading part of it or equal to it.
bool matchesPlain(std::string_view entry, std::string_view extension) {
  return extension.size() <= entry.size() &&
         equalsIgnoringAsciiCase(extension, entry.substr(0, extension.size()));
}

bool matches(std::string_view entry, std::string_view extension) {
  return entry.find('*') != std::string_view::npos ? matchesPattern(entry, extension)
                                                   : matchesPlain(entry, extension);
}

}  // namespace

std::optional<CarrierType> typeFromExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  std::string_view extension = path.substr(dot + 1);
  for (const FormatFacts* format : carrierFormats()) {
    for (const char* entry : format->extensions) {
      if (matches(entry, extension)) return format->types.front().type;
    }
  }
  return std::nullopt;
}

Identified identifyCarrier(const std::string& path, IdentifyPurpose purpose,
                           IdentificationRecord& record, Workspace& workspace) {
  std::optional<CarrierType> type = typeFromExtension(path);
  if (!type) return Identified::kNotACarrier;
  if (formatOf(*type).kind == MediaKind::kModule &&
      (purpose == IdentifyPurpose::kAuthoring || purpose == IdentifyPurpose::kChecking)) {
    return Identified::kNotACarrier;
  }
  record = IdentificationRecord{};
  record.type = *type;
  platform::File src = workspace.fileSystem.openRead(path);
  if (!src.isOpen()) {
    workspace.show(MessageId::kCouldntOpenCarrier);
    return Identified::kUnreadable;
  }
  return carrierHandler(*type).count(src, record, workspace) && !record.rejected
             ? Identified::kCarrier
             : Identified::kNotACarrier;
}

bool identify(const std::string& path, IdentifyPurpose purpose, IdentificationRecord& record,
              Workspace& workspace) {
  return identifyCarrier(path, purpose, record, workspace) == Identified::kCarrier;
}

}  // namespace murl
