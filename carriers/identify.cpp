#include "carriers/identify.h"

#include <string>

#include "platform/ascii_case.h"

namespace murl {
namespace {

struct ExtensionEntry {
  const char* text;  // lower case; "*" stands for one letter
  CarrierType type;
};

constexpr CarrierType kAudio = CarrierType::kAiff;
constexpr CarrierType kModule = CarrierType::kModule;

// In the order they are tried: the first match wins, so "jp" is a module ("jpn") and an empty
// extension is AIFF ("aif").
// clang-format off
constexpr ExtensionEntry kExtensions[] = {
    {"aif", kAudio}, {"aiff", kAudio}, {"snd", kAudio}, {"au", kAudio},
    {"bmp", CarrierType::kBmpColour}, {"dib", CarrierType::kBmpColour},
    {"exe", kModule}, {"dll", kModule}, {"cpl", kModule}, {"ocx", kModule}, {"scr", kModule},
    {"8b*", kModule}, {"dl*", kModule}, {"hx*", kModule}, {"xh*", kModule},
    {"98", kModule}, {"386", kModule}, {"3gr", kModule}, {"acm", kModule}, {"api", kModule},
    {"apl", kModule}, {"ara", kModule}, {"arx", kModule}, {"asi", kModule}, {"ax", kModule},
    {"awx", kModule}, {"bmi", kModule}, {"chs", kModule}, {"cht", kModule}, {"cnv", kModule},
    {"csy", kModule}, {"d01", kModule}, {"dan", kModule}, {"deu", kModule}, {"dbx", kModule},
    {"dic", kModule}, {"drv", kModule}, {"ds", kModule}, {"ell", kModule}, {"enu", kModule},
    {"esp", kModule}, {"fla", kModule}, {"fln", kModule}, {"flt", kModule}, {"fon", kModule},
    {"fra", kModule}, {"grm", kModule}, {"gup", kModule}, {"heb", kModule}, {"hdi", kModule},
    {"hun", kModule}, {"ime", kModule}, {"imp", kModule}, {"ita", kModule}, {"jpn", kModule},
    {"kor", kModule}, {"mod", kModule}, {"mpd", kModule}, {"mst", kModule}, {"nld", kModule},
    {"nls", kModule}, {"nor", kModule}, {"olb", kModule}, {"pci", kModule}, {"pdr", kModule},
    {"pkg", kModule}, {"plk", kModule}, {"ptb", kModule}, {"rll", kModule}, {"rus", kModule},
    {"se", kModule}, {"sfx", kModule}, {"src", kModule}, {"str", kModule}, {"sve", kModule},
    {"sys", kModule}, {"tas", kModule}, {"tha", kModule}, {"tlb", kModule}, {"trk", kModule},
    {"tsk", kModule}, {"tsp", kModule}, {"vbx", kModule}, {"vxd", kModule}, {"wll", kModule},
    {"wpc", kModule}, {"wpl", kModule}, {"x32", kModule}, {"xfm", kModule}, {"xpg", kModule},
    {"jpg", CarrierType::kJpeg}, {"jpe", CarrierType::kJpeg}, {"jpeg", CarrierType::kJpeg},
    {"jfif", CarrierType::kJpeg}, {"mp3", CarrierType::kMp3}, {"pcx", CarrierType::kPcxColour},
    {"png", CarrierType::kPng}, {"tga", CarrierType::kTga}, {"vda", CarrierType::kTga},
    {"icb", CarrierType::kTga}, {"vst", CarrierType::kTga}, {"wav", CarrierType::kWav},
    {"wave", CarrierType::kWav},
};
// clang-format on

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

}  // namespace

std::optional<CarrierType> typeFromExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  std::string_view extension = path.substr(dot + 1);
  for (const ExtensionEntry& entry : kExtensions) {
    std::string_view text = entry.text;
    bool pattern = text.find('*') != std::string_view::npos;
    if (pattern ? matchesPattern(text, extension) : matchesPlain(text, extension)) {
      return entry.type;
    }
  }
  return std::nullopt;
}

bool identify(const std::string& path, IdentifyPurpose purpose, IdentificationRecord& record,
              Workspace& workspace) {
  std::optional<CarrierType> type = typeFromExtension(path);
  if (!type) return false;
  if (*type == CarrierType::kModule &&
      (purpose == IdentifyPurpose::kAuthoring || purpose == IdentifyPurpose::kChecking)) {
    return false;
  }
  record = IdentificationRecord{};
  record.type = *type;
  platform::File src;
  // The module count opens the module itself.
  if (*type != CarrierType::kModule) {
    src = workspace.fileSystem.openRead(path);
    if (!src.isOpen()) {
      workspace.show(MessageId::kCouldntOpenCarrier);
      return false;
    }
  }
  bool counted = carrierHandler(*type).count(src, path, record, workspace);
  return counted && !record.rejected;
}

}  // namespace murl
