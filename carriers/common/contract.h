#pragma once
// What every carrier format has in common: the type codes, the identification record, the
// carrier entry and the five operations of a handler.
//
// Layout of the used units of every carrier, in the format's processing order: S lead-in units
// left unchanged, N data units, then the 544 units of the CarrierTrailer; the count operation
// sets N so that no used unit is left over. Handlers keep no state between calls, poll the stop
// and closing flags once per block or row (count only the closing flag), and show one message
// through the Workspace before returning false (count shows none).
#include <cstdint>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "core/options.h"
#include "core/workspace.h"
#include "platform/file.h"

namespace murl {

enum class CarrierType : uint8_t {
  kAiff = 0,
  kAu = 1,  // set by the AIFF count when the file begins with ".snd"
  kBmpColour = 2,
  kBmpGrey = 3,  // set by the BMP count when every pixel is grey
  kModule = 4,
  kJpeg = 5,
  kMp3 = 6,
  kPcxColour = 7,
  kPcxGrey = 8,  // set by the PCX count when every pixel is grey
  kPng = 9,
  kTga = 10,
  kWav = 11,
};
constexpr size_t kCarrierTypeCount = 12;

// A carrier held inside another (a bitmap or wave resource of a module): where its bytes lie and
// what its own count made of it. Only the module format makes and reads these; everything else
// carries them from the count to hide and extract unopened.
struct CarrierPart {
  uint32_t offset = 0;  // file offset of the part's data
  uint32_t size = 0;
  CarrierType type = CarrierType::kBmpColour;
  uint32_t bits = 0;  // the part's carrier bits
};

// Filled by identification and the count operations.
struct IdentificationRecord {
  bool rejected = true;  // the count clears it when the file is a carrier
  CarrierType type = CarrierType::kAiff;
  uint32_t carrierBits = 0;        // N
  std::vector<CarrierPart> parts;  // a module's usable resources, in offset order
};

// One carrier of a carrier list.
struct CarrierEntry {
  CarrierType type = CarrierType::kAiff;
  uint32_t carrierBits = 0;
  std::vector<CarrierPart> parts;
  std::string path;
};

// Where a carrier's bytes lie. A file of its own is {0, its size}: hide and mark copy every byte
// that is not a changed unit. A carrier inside a module is its offset and size, and hide rewrites
// its units in place in a target that already holds a copy of the whole module.
struct CarrierRegion {
  uint64_t offset = 0;
  uint64_t size = 0;
  bool inModule = false;

  static CarrierRegion wholeFile(const platform::File& file) { return {0, file.size(), false}; }
};

// The five operations of one format. Files are open in binary mode: src read-only, dst created
// and truncated. Every operation but count returns false after showing its one message (or none
// when the stop or closing flag was found set).
class CarrierHandler {
 public:
  virtual ~CarrierHandler() = default;

  // Validates the format, may refine record.type, counts the used units and sets
  // record.carrierBits = (used units after the lead-in) - 544; clears record.rejected when the
  // file is a carrier. No message.
  virtual bool count(platform::File& src, IdentificationRecord& record,
                     Workspace& workspace) const = 0;

  // Writes the whole target: the lead-in unchanged, the share's N data bits, the 544 trailer
  // bits, the rest of the source unchanged. percentage = changed units * 100 / all units of the
  // format's own kind.
  virtual bool hide(platform::File& src, platform::File& dst, const CarrierEntry& entry,
                    const StreamShare& share, const HideJob& job, Workspace& workspace,
                    double& percentage) const = 0;

  // Feeds the entry's N data bits, in unit order, to the sink (the extraction sink, or one that
  // also takes the trailer after them: a module's resources each hand over their own); fails
  // with "Wrong carrier bits number!" unless the carrier holds exactly N + 544 used units after
  // its lead-in.
  virtual bool extract(platform::File& src, const CarrierEntry& entry, UnitBitSink& sink,
                       Workspace& workspace) const = 0;

  // Writes the target with the mark in every used unit after the lead-in.
  virtual bool mark(platform::File& src, platform::File& dst, const MarkField& mark,
                    Workspace& workspace, double& percentage) const = 0;

  // Reads the N data bits as extract does and feeds them to the collector.
  virtual bool check(platform::File& src, uint32_t carrierBits, CheckCollector& collector,
                     Workspace& workspace) const = 0;

  // Whether hide writes every target once, from start to end, as long as its source. Only such a
  // target can be read back while it is written; any other would be read again after the writing.
  virtual bool writesTargetInOneSweep() const = 0;
};

}  // namespace murl
