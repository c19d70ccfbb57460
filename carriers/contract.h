#pragma once
// What every carrier format has in common: the type codes, the identification record, the
// carrier entry and the five operations of a handler, reached through a table by type.
//
// Layout of the used units of every carrier, in the format's processing order: S lead-in units
// left unchanged, N data units, then the 544 units of the CarrierTrailer; the count operation
// sets N so that no used unit is left over. Handlers keep no state between calls, poll
// Workspace::interrupted() once per block or row (count and check poll only the closing flag),
// and show one message through the Workspace before returning false (count shows none).
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

// The bits selection level a type reads (a module reads the BMP and WAV levels of its
// resources; kBmp is returned for it).
LevelFormat levelFormatOf(CarrierType type);

// One usable resource of a module: where its bytes lie and what its own count made of it.
struct ModuleResource {
  uint32_t offset = 0;  // file offset of the resource data
  uint32_t size = 0;
  CarrierType type = CarrierType::kBmpColour;  // kBmpColour, kBmpGrey or kWav
  uint32_t bits = 0;                           // the resource's carrier bits
};

// Filled by identification and the count operations.
struct IdentificationRecord {
  bool rejected = true;  // the count clears it when the file is a carrier
  CarrierType type = CarrierType::kAiff;
  uint32_t carrierBits = 0;               // N
  std::vector<ModuleResource> resources;  // modules only, in offset order
};

// One carrier of a carrier list.
struct CarrierEntry {
  CarrierType type = CarrierType::kAiff;
  uint32_t carrierBits = 0;
  std::vector<ModuleResource> resources;  // modules only
  std::string path;
};

// Where a carrier's bytes lie. A file of its own is {0, its size}: hide and mark copy every byte
// that is not a changed unit. A resource inside a module is its offset and size, and hide
// rewrites its units in place in a target that already holds a copy of the whole module.
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
  // file is a carrier. No message. `src` is the file at `path` opened read-only; the module
  // handler ignores it and opens `path` itself.
  virtual bool count(platform::File& src, const std::string& path, IdentificationRecord& record,
                     Workspace& workspace) const = 0;

  // Writes the whole target: the lead-in unchanged, the share's N data bits, the 544 trailer
  // bits, the rest of the source unchanged. percentage = changed units * 100 / all units of the
  // format's own kind.
  virtual bool hide(platform::File& src, platform::File& dst, const CarrierEntry& entry,
                    const StreamShare& share, const HideJob& job, Workspace& workspace,
                    double& percentage) const = 0;

  // Feeds the entry's N data bits, in unit order, to the sink; fails with "Wrong carrier bits
  // number!" unless the carrier holds exactly N + 544 used units after its lead-in.
  virtual bool extract(platform::File& src, const CarrierEntry& entry, ExtractionSink& sink,
                       Workspace& workspace) const = 0;

  // Writes the target with the mark in every used unit after the lead-in.
  virtual bool mark(platform::File& src, platform::File& dst, const MarkField& mark,
                    Workspace& workspace, double& percentage) const = 0;

  // Reads the N data bits as extract does and feeds them to the collector.
  virtual bool check(platform::File& src, uint32_t carrierBits, CheckCollector& collector,
                     Workspace& workspace) const = 0;
};

// The handler of a type; formats not built yet refuse every file in count.
const CarrierHandler& carrierHandler(CarrierType type);

// Copies `count` bytes from src's position to dst's position through the work buffer, in pieces
// of at most 4 MiB, polling the stop and closing flags per piece. Shows "Couldn't read from
// source file!" or "Couldn't write to target file!" on a short read or write.
bool copyBytes(platform::File& src, platform::File& dst, uint64_t count, Workspace& workspace);

}  // namespace murl
