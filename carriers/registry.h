#pragma once
// Every carrier format the program knows, each declared once by its own folder (format_facts.h),
// listed here in the order identification tries their extensions. A new format is its folder
// plus one line of the list in registry.cpp.
#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "carriers/common/format_facts.h"

namespace murl {

std::span<const FormatFacts* const> carrierFormats();

const FormatFacts& formatOf(CarrierType type);
const TypeFacts& typeFacts(CarrierType type);
const CarrierHandler& carrierHandler(CarrierType type);

// Every bits selection level, in the order the Process Report lists them (by report name).
std::vector<const LevelFacts*> levelsByReportName();
// The level `--level NAME=...` names; null when none.
const LevelFacts* levelByCliName(std::string_view name);
// The facts of a format's level.
const LevelFacts& levelFacts(LevelFormat format);
// Every option beyond the levels, format by format.
std::vector<const OptionFacts*> formatOptions();

using LevelsUsed = std::array<bool, static_cast<size_t>(LevelFormat::kCount)>;
// Marks the levels that chose a carrier's units: its type's, or for a carrier made of parts
// (a module's resources) each part's.
void markLevelsUsed(const CarrierEntry& entry, LevelsUsed& used);

}  // namespace murl
