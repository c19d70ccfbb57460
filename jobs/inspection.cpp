#include "jobs/inspection.h"

#include <algorithm>

#include "bits/read_back.h"
#include "carriers/identify.h"
#include "carriers/registry.h"

namespace murl {
namespace {

constexpr size_t kNone = ~size_t{0};

std::vector<LevelSetting> levelsOf(const CarrierEntry& entry, const Options& options) {
  LevelsUsed used{};
  markLevelsUsed(entry, used);
  std::vector<LevelSetting> levels;
  for (size_t f = 0; f < used.size(); ++f) {
    const auto format = static_cast<LevelFormat>(f);
    if (used[f]) levels.push_back({format, options.level(format)});
  }
  return levels;
}

// The formats whose levels may have chosen the carrier's units: those that did at the levels
// given, or, for a file that was no carrier there, the one its extension leads to.
std::vector<LevelFormat> searchFormats(const CarrierInspection& carrier) {
  std::vector<LevelFormat> formats;
  for (const LevelSetting& setting : carrier.levels) formats.push_back(setting.format);
  if (carrier.carrier) return formats;
  const auto type = typeFromExtension(carrier.path);
  if (type && !typeFacts(*type).madeOfParts) formats.push_back(typeFacts(*type).level);
  return formats;
}

// The carrier read at the workspace's levels. False when the job was stopped or the file could
// not be opened (its message shown).
bool readAtLevels(const std::string& path, Workspace& workspace, CarrierInspection& result) {
  result = CarrierInspection{};
  result.path = path;
  IdentificationRecord record;
  switch (identifyCarrier(path, IdentifyPurpose::kUnhiding, record, workspace)) {
    case Identified::kUnreadable:
      return false;
    case Identified::kNotACarrier:
      return !workspace.interrupted();
    case Identified::kCarrier:
      break;
  }
  const CarrierEntry entry{record.type, record.carrierBits, record.parts, path};
  platform::File src = workspace.fileSystem.openRead(path);
  if (!src.isOpen()) {
    workspace.show(MessageId::kCouldntOpenCarrier);
    return false;
  }
  ReadBackSink sink;
  const bool read = carrierHandler(entry.type).extract(src, entry, sink, workspace);
  if (!read && workspace.interrupted()) return false;
  result =
      inspectionOf(entry, read ? sink.take() : std::vector<TrailerRecord>{}, workspace.options);
  return true;
}

// Groups the positions with a trailer by hiding job; the others are unreadable.
void groupByJob(InspectionVerdict& v) {
  std::vector<TrailerFields> keys;
  for (size_t i = 0; i < v.carriers.size(); ++i) {
    const CarrierInspection& c = v.carriers[i];
    if (!c.trailerFound) {
      v.unreadable.push_back(i);
      continue;
    }
    TrailerFields key = c.trailer;
    key.carrierIndex = 0;
    auto found = std::find(keys.begin(), keys.end(), key);
    if (found == keys.end()) {
      keys.push_back(key);
      v.jobs.emplace_back();
      found = keys.end() - 1;
    }
    v.jobs[static_cast<size_t>(found - keys.begin())].push_back(i);
  }
}

// Places the carriers of the one job found by their indices.
void placeByIndex(InspectionVerdict& v) {
  v.carrierCount = v.carriers[v.jobs[0][0]].trailer.carrierCount;
  std::vector<size_t> at(v.carrierCount, kNone);
  for (size_t i : v.jobs[0]) {
    const uint16_t index = v.carriers[i].trailer.carrierIndex;
    if (index >= v.carrierCount) {
      v.unreadable.push_back(i);  // no hide writes such a trailer
    } else if (at[index] != kNone) {
      v.repeated.push_back(i);
    } else {
      at[index] = i;
    }
  }
  std::sort(v.unreadable.begin(), v.unreadable.end());
  for (uint16_t index = 0; index < v.carrierCount; ++index)
    if (at[index] == kNone) v.missing.push_back(index);
  if (v.missing.empty()) v.order = std::move(at);
}

// A module's units are chosen by two formats' levels, and only one of them may differ.
void collectOtherLevels(InspectionVerdict& v, const Options& given) {
  for (const CarrierInspection& c : v.carriers) {
    if (!c.otherLevels) continue;
    for (const LevelSetting& setting : c.levels)
      if (setting.level != given.level(setting.format) &&
          std::find(v.levels.begin(), v.levels.end(), setting) == v.levels.end())
        v.levels.push_back(setting);
  }
}

}  // namespace

InspectionVerdict judgeCarriers(std::vector<CarrierInspection> carriers, const Options& given) {
  InspectionVerdict v;
  v.carriers = std::move(carriers);
  if (v.carriers.empty()) return v;
  groupByJob(v);
  if (v.jobs.size() > 1) {
    v.verdict = Verdict::kMixedJobs;
    return v;
  }
  if (v.jobs.size() == 1) placeByIndex(v);
  collectOtherLevels(v, given);
  if (!v.unreadable.empty()) {
    v.verdict = Verdict::kUnreadable;
  } else if (!v.repeated.empty()) {
    v.verdict = Verdict::kRepeated;
  } else if (!v.missing.empty()) {
    v.verdict = Verdict::kMissing;
  } else if (!v.levels.empty()) {
    v.verdict = Verdict::kOtherLevels;
  } else {
    v.verdict = outOfOrder(v) ? Verdict::kReordered : Verdict::kComplete;
  }
  return v;
}

bool outOfOrder(const InspectionVerdict& v) {
  if (v.order.size() != v.carriers.size()) return false;
  for (size_t i = 0; i < v.order.size(); ++i)
    if (v.order[i] != i) return true;
  return false;
}

CarrierInspection inspectionOf(const CarrierEntry& entry, const std::vector<TrailerRecord>& records,
                               const Options& options) {
  CarrierInspection c;
  c.path = entry.path;
  c.carrier = true;
  c.type = entry.type;
  c.carrierBits = entry.carrierBits;
  c.levels = levelsOf(entry, options);
  c.trailerFound = readTrailers(records, c.trailer);
  return c;
}

bool inspectCarrier(const std::string& path, Workspace& workspace, CarrierInspection& result) {
  if (!readAtLevels(path, workspace, result)) return false;
  return result.trailerFound || searchOtherLevels(workspace, result);
}

bool searchOtherLevels(Workspace& workspace, CarrierInspection& result) {
  const Options given = workspace.options;
  // The bar stays where the carrier began while levels are tried.
  CarrierProgress* progress = workspace.carrierProgress;
  workspace.carrierProgress = nullptr;
  // Every combination of the formats' levels but the one given (a module's bitmaps and waves
  // may both have been hidden at other levels): n counts in base 7, one digit a format, each
  // digit the distance from the level given.
  constexpr size_t kLevels = kMaxLevel + 1;
  const std::vector<LevelFormat> formats = searchFormats(result);
  size_t combinations = 1;
  for (size_t i = 0; i < formats.size(); ++i) combinations *= kLevels;
  bool readable = true;
  bool found = false;
  CarrierInspection attempt;
  for (size_t n = 1; n < combinations && readable && !found; ++n) {
    workspace.options = given;
    size_t digits = n;
    for (LevelFormat format : formats) {
      workspace.options.setLevel(
          format, static_cast<uint8_t>((given.level(format) + digits % kLevels) % kLevels));
      digits /= kLevels;
    }
    readable = readAtLevels(result.path, workspace, attempt);
    found = readable && attempt.trailerFound;
  }
  if (found) {
    attempt.otherLevels = true;
    result = std::move(attempt);
  }
  workspace.options = given;
  workspace.carrierProgress = progress;
  return readable;
}

}  // namespace murl
