#include "core/options.h"

#include "platform/ascii_case.h"

namespace murl {
namespace {

constexpr const char* kEnglishLevels[] = {"Minimum", "Very Low",  "Low",    "Medium",
                                          "High",    "Very High", "Maximum"};
constexpr const char* kItalianLevels[] = {"Minimo", "Molto Basso", "Basso",  "Medio",
                                          "Alto",   "Molto Alto",  "Massimo"};

}  // namespace

const char* levelName(uint8_t level, platform::Language language) {
  if (level > kMaxLevel) level = kMaxLevel;
  return language == platform::Language::kItalian ? kItalianLevels[level] : kEnglishLevels[level];
}

std::optional<uint8_t> parseLevel(std::string_view name) {
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '0' + kMaxLevel)
    return static_cast<uint8_t>(name[0] - '0');
  for (uint8_t level = 0; level <= kMaxLevel; ++level)
    if (equalsIgnoringAsciiCase(name, kEnglishLevels[level]) ||
        equalsIgnoringAsciiCase(name, kItalianLevels[level]))
      return level;
  return std::nullopt;
}

}  // namespace murl
