#pragma once
// The Process Report shown after a hiding or authoring run: what the user must keep to get the
// files back (password, levels, carrier order), in the chosen language.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/options.h"
#include "platform/locale.h"

namespace murl {

using platform::Language;

// One carrier as the report lists it, in CarrierList order.
struct ReportCarrier {
  std::string name;  // file name for hiding, full path for authoring
  double share = 0;  // units changed, in percent
};

struct ReportInput {
  Language language = Language::kEnglish;
  std::string secret;  // the password (hiding) or the copyright mark (authoring), as typed
  // Which formats at least one carrier used, indexed by LevelFormat.
  std::array<bool, static_cast<size_t>(LevelFormat::kCount)> formatUsed{};
  Options options;  // the bits selection levels in force
  std::vector<ReportCarrier> carriers;
};

std::string buildHidingReport(const ReportInput& input);
std::string buildAuthoringReport(const ReportInput& input);

}  // namespace murl
