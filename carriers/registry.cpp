#include "carriers/registry.h"

#include <algorithm>

#include "carriers/aiff_au/aiff_au.h"
#include "carriers/bmp/bmp.h"
#include "carriers/jpeg/jpeg.h"
#include "carriers/mp3/mp3.h"
#include "carriers/pcx/pcx.h"
#include "carriers/pe/module.h"
#include "carriers/png/png.h"
#include "carriers/tga/tga.h"
#include "carriers/wav/wav.h"

namespace murl {
namespace {

using Facts = const FormatFacts& (*)();

// In the order identification tries their extensions: the first match wins, so "jp" leads to a
// module ("jpn") before JPEG, and an empty extension to AIFF ("aif").
constexpr Facts kFormats[] = {
    aiffAuFacts, bmpFacts, moduleFacts, jpegFacts, mp3Facts, pcxFacts, pngFacts, tgaFacts, wavFacts,
};

const std::array<const FormatFacts*, std::size(kFormats)>& formats() {
  static const auto list = [] {
    std::array<const FormatFacts*, std::size(kFormats)> all{};
    for (size_t i = 0; i < all.size(); ++i) all[i] = &kFormats[i]();
    return all;
  }();
  return list;
}

// Which format and which of its types each code is.
struct TypeEntry {
  const FormatFacts* format = nullptr;
  const TypeFacts* type = nullptr;
};
const std::array<TypeEntry, kCarrierTypeCount>& typeTable() {
  static const auto table = [] {
    std::array<TypeEntry, kCarrierTypeCount> byCode{};
    for (const FormatFacts* format : formats()) {
      for (const TypeFacts& type : format->types) {
        byCode[static_cast<size_t>(type.type)] = {format, &type};
      }
    }
    return byCode;
  }();
  return table;
}

}  // namespace

std::span<const FormatFacts* const> carrierFormats() { return formats(); }

const FormatFacts& formatOf(CarrierType type) {
  return *typeTable()[static_cast<size_t>(type)].format;
}

const TypeFacts& typeFacts(CarrierType type) {
  return *typeTable()[static_cast<size_t>(type)].type;
}

const CarrierHandler& carrierHandler(CarrierType type) { return formatOf(type).handler(); }

std::vector<const LevelFacts*> levelsByReportName() {
  std::vector<const LevelFacts*> levels;
  for (const FormatFacts* format : formats()) {
    for (const LevelFacts& level : format->levels) levels.push_back(&level);
  }
  std::sort(levels.begin(), levels.end(), [](const LevelFacts* a, const LevelFacts* b) {
    return std::string_view(a->reportName) < std::string_view(b->reportName);
  });
  return levels;
}

const LevelFacts* levelByCliName(std::string_view name) {
  for (const FormatFacts* format : formats()) {
    for (const LevelFacts& level : format->levels) {
      if (name == level.cliName) return &level;
    }
  }
  return nullptr;
}

const LevelFacts& levelFacts(LevelFormat format) {
  static const auto table = [] {
    std::array<const LevelFacts*, static_cast<size_t>(LevelFormat::kCount)> byFormat{};
    for (const FormatFacts* facts : formats())
      for (const LevelFacts& level : facts->levels)
        byFormat[static_cast<size_t>(level.format)] = &level;
    return byFormat;
  }();
  return *table[static_cast<size_t>(format)];
}

std::vector<const OptionFacts*> formatOptions() {
  std::vector<const OptionFacts*> options;
  for (const FormatFacts* format : formats()) {
    for (const OptionFacts& option : format->options) options.push_back(&option);
  }
  return options;
}

void markLevelsUsed(const CarrierEntry& entry, LevelsUsed& used) {
  const TypeFacts& facts = typeFacts(entry.type);
  if (!facts.madeOfParts) {
    used[static_cast<size_t>(facts.level)] = true;
    return;
  }
  for (const CarrierPart& part : entry.parts) {
    used[static_cast<size_t>(typeFacts(part.type).level)] = true;
  }
}

}  // namespace murl
