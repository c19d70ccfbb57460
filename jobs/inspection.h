#pragma once
// Why a set of target carriers would not unhide, told from their trailers alone: each carrier's
// trailer names its hiding job, its place in the carrier list and the list's length, and it can
// be read without the password. The verdict is a plain structure, with its texts in both
// languages, for every front end to show.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "core/options.h"
#include "core/workspace.h"

namespace murl {

// A bits selection level as one format was read with it.
struct LevelSetting {
  LevelFormat format = LevelFormat::kWav;
  uint8_t level = kDefaultLevel;
  bool operator==(const LevelSetting&) const = default;
};

// One carrier as inspection found it.
struct CarrierInspection {
  std::string path;
  bool carrier = false;  // a carrier at the levels given or at those its trailer was found at
  CarrierType type = CarrierType::kAiff;
  uint32_t carrierBits = 0;
  // The levels that chose its units: those its trailer was found at, else those given.
  std::vector<LevelSetting> levels;
  bool trailerFound = false;
  bool otherLevels = false;  // found only at levels other than those given
  TrailerFields trailer;     // when found
};

enum class Verdict : uint8_t {
  kComplete,     // one hiding job, every carrier once, in order
  kReordered,    // one hiding job, every carrier once, in another order: see `order`
  kOtherLevels,  // one hiding job, every carrier once, but hidden at other levels
  kMissing,      // one hiding job, some of its carriers not given: see `missing`
  kRepeated,     // one hiding job, a place in its list given twice: see `repeated`
  kUnreadable,   // some carriers without a readable trailer: see `unreadable`
  kMixedJobs,    // carriers of more than one hiding job: see `jobs`
  kNoCarriers,   // nothing given
};

struct InspectionVerdict {
  Verdict verdict = Verdict::kNoCarriers;
  std::vector<CarrierInspection> carriers;  // in the order given
  // Positions (in the order given) of the carriers without a readable trailer.
  std::vector<size_t> unreadable;
  // The trailers' hiding jobs, each as the positions of its carriers, in order of first sight.
  std::vector<std::vector<size_t>> jobs;
  // When the trailers found are of one job: its carrier count, the indices of its list that
  // were not found, the positions whose index was found before, and, when every index was
  // found once, the positions in the order of their indices: the order to unhide them in.
  uint16_t carrierCount = 0;
  std::vector<uint16_t> missing;
  std::vector<size_t> repeated;
  std::vector<size_t> order;
  // The levels to give instead of those given, when some trailers were found only at others.
  std::vector<LevelSetting> levels;
};

// The verdict over carriers in the order given, read at the levels `given`. The first that
// applies of: mixed jobs, unreadable carriers, a place given twice, carriers missing, other
// levels, another order.
InspectionVerdict judgeCarriers(std::vector<CarrierInspection> carriers, const Options& given);
// Every carrier of one job was found once, and not in the order given.
bool outOfOrder(const InspectionVerdict& verdict);

// Reads the trailers of the carrier at `path` (every resource's, for a module) at the
// workspace's levels; when they cannot be read there, at every other combination of the levels
// of the formats that chose its units, until they can. The workspace's options are as they
// were afterwards. False when the job was stopped, or when the file cannot be opened ("Couldn't
// open carrier!" shown): a file that opens but is no carrier is a finding, not a failure.
bool inspectCarrier(const std::string& path, Workspace& workspace, CarrierInspection& result);
// The same search for a carrier whose reading at the workspace's levels is already known.
bool searchOtherLevels(Workspace& workspace, CarrierInspection& result);

// A carrier read at the workspace's levels from the records its read-back gave: found when
// every record deciphers under its own check and all agree.
CarrierInspection inspectionOf(const CarrierEntry& entry, const std::vector<TrailerRecord>& records,
                               const Options& options);

// Texts of the verdict for a person, in `language`.
// The carrier's line after its name: type, bits, the trailer and the levels it was found at.
std::string carrierSummary(const CarrierInspection& carrier, Language language);
// The verdict over the set, one sentence a line, naming carriers by file name. After an unhide
// that failed, a set found complete and in order says that the password must be another.
std::vector<std::string> verdictLines(const InspectionVerdict& verdict, Language language,
                                      bool unhideFailed = false);
// The note of an unhide that read its carriers in their trailers' order: the paths in that order.
std::vector<std::string> orderUsedLines(const std::vector<std::string>& paths,
                                        const std::vector<size_t>& order, Language language);
// "WAV 5 (Very High)".
std::string levelText(const LevelSetting& setting, Language language);

}  // namespace murl
