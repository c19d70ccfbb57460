#include "carriers/pe/module.h"

#include <algorithm>

#include "carriers/bmp/bmp.h"
#include "carriers/common/format_handler.h"
#include "carriers/pe/resource_directory.h"
#include "carriers/wav/wav.h"

namespace murl {
namespace {

CarrierRegion regionOf(uint32_t offset, uint32_t size) { return {offset, size, true}; }

// Runs `operation.template operator()<F>()` with the format of a part's kind.
template <class Operation>
bool withFormat(CarrierType type, Operation&& operation) {
  if (type == CarrierType::kWav) return operation.template operator()<WavFormat>();
  return operation.template operator()<BmpFormat>();
}

// The parts must add up to the carrier bits the module was counted with.
bool partsAddUp(const CarrierEntry& entry) {
  uint64_t total = 0;
  for (const CarrierPart& part : entry.parts) total += part.bits;
  return total == entry.carrierBits;
}

// The context of one resource's operation: its blocks move its share of the module's progress,
// by size.
class PartContexts {
 public:
  PartContexts(Workspace& workspace, Operation operation, const std::vector<CarrierPart>& parts)
      : workspace_(workspace), operation_(operation) {
    for (const CarrierPart& part : parts) whole_ += part.size;
  }
  OperationContext next(const CarrierPart& part) {
    OperationContext context(workspace_, operation_);
    context.share = {base_, part.size, whole_};
    base_ += part.size;
    return context;
  }

 private:
  Workspace& workspace_;
  Operation operation_;
  uint64_t whole_ = 0;
  uint64_t base_ = 0;
};

class ModuleHandler final : public CarrierHandler {
 public:
  bool count(platform::File& src, IdentificationRecord& record,
             Workspace& workspace) const override {
    const OperationContext context(workspace, Operation::kCount);
    std::vector<pe::ResourceSpan> spans;
    if (!pe::findResources(context, src, spans)) return false;
    std::vector<CarrierPart> parts;
    uint64_t total = 0;
    uint64_t claimedEnd = 0;
    for (const pe::ResourceSpan& span : spans) {
      if (context.stopped()) return false;
      // Two resources sharing bytes would overwrite each other's bits: the first one keeps them.
      if (span.offset < claimedEnd) continue;
      IdentificationRecord own;
      const CarrierRegion region = regionOf(span.offset, span.size);
      const bool usable = span.kind == pe::ResourceKind::kWave
                              ? format_ops::count<WavFormat>(context, src, region, own)
                              : format_ops::count<BmpFormat>(context, src, region, own);
      // A resource its format refuses is left out; one that could not be read fails the count,
      // or the module would be counted with fewer bits now than when it is read again.
      if (!usable) {
        if (src.readFailed()) return false;
        continue;
      }
      parts.push_back({span.offset, span.size, own.type, own.carrierBits});
      total += own.carrierBits;
      claimedEnd = uint64_t{span.offset} + span.size;
    }
    if (total >= UINT32_MAX) return false;
    record.type = CarrierType::kModule;
    record.carrierBits = static_cast<uint32_t>(total);
    record.parts = std::move(parts);
    record.rejected = false;
    return true;
  }

  // The stream's bits go to the resources in order, each taking as many as it holds until the
  // share is placed; the later ones carry random bits.
  bool hide(platform::File& src, platform::File& dst, const CarrierEntry& entry,
            const StreamShare& share, const HideJob& job, Workspace& workspace,
            double& percentage) const override {
    const OperationContext context(workspace, Operation::kHide);
    if (!partsAddUp(entry) || share.carrierBits != entry.carrierBits) return context.wrongBits();
    const uint64_t moduleSize = src.size();
    if (!context.copyRange(src, dst, 0, moduleSize)) return false;
    PartContexts contexts(workspace, Operation::kHide, entry.parts);
    uint32_t startBit = share.startBit;
    uint32_t streamLeft = share.streamBits;
    double weighted = 0;
    for (const CarrierPart& part : entry.parts) {
      const OperationContext partContext = contexts.next(part);
      const StreamShare own{startBit, part.bits, std::min(streamLeft, part.bits)};
      double ownPercentage = 0;
      const bool hidden = withFormat(part.type, [&]<class F>() {
        return format_ops::hide<F>(partContext, src, dst, regionOf(part.offset, part.size),
                                   part.type, own, job, ownPercentage);
      });
      if (!hidden) return false;
      weighted += static_cast<double>(part.size) * ownPercentage;
      startBit += own.streamBits;
      streamLeft -= own.streamBits;
    }
    percentage = moduleSize == 0 ? 0.0 : weighted / static_cast<double>(moduleSize);
    return true;
  }

  // The resources' bits in order make one sequence; the first failing resource ends it.
  bool extract(platform::File& src, const CarrierEntry& entry, UnitBitSink& sink,
               Workspace& workspace) const override {
    const OperationContext context(workspace, Operation::kExtract);
    if (!partsAddUp(entry)) return context.wrongBits();
    PartContexts contexts(workspace, Operation::kExtract, entry.parts);
    for (const CarrierPart& part : entry.parts) {
      const OperationContext partContext = contexts.next(part);
      const bool read = withFormat(part.type, [&]<class F>() {
        return format_ops::read<F>(partContext, src, regionOf(part.offset, part.size), part.type,
                                   part.bits, sink);
      });
      if (!read) return false;
    }
    return true;
  }

  // Identification never lets a module into authoring or checking; a caller that skips it is
  // told the file offers nothing to mark or check.
  bool mark(platform::File&, platform::File&, const MarkField&, Workspace& workspace,
            double&) const override {
    workspace.show(MessageId::kNoCarrierBits);
    return false;
  }
  bool check(platform::File&, uint32_t, CheckCollector&, Workspace& workspace) const override {
    workspace.show(MessageId::kNoCarrierBits);
    return false;
  }
  // The module is copied whole, then its resources are written over the copy.
  bool writesTargetInOneSweep() const override { return false; }
};

// Windows modules, in the order their extensions are tried; "*" is any letter. Their resources'
// own formats choose the units, at the BMP and WAV levels.
constexpr TypeFacts kTypes[] = {{CarrierType::kModule, "PE module", LevelFormat::kBmp, true}};
constexpr const char* kExtensions[] = {
    "exe", "dll", "cpl", "ocx", "scr", "8b*", "dl*", "hx*", "xh*", "98",  "386", "3gr",
    "acm", "api", "apl", "ara", "arx", "asi", "ax",  "awx", "bmi", "chs", "cht", "cnv",
    "csy", "d01", "dan", "deu", "dbx", "dic", "drv", "ds",  "ell", "enu", "esp", "fla",
    "fln", "flt", "fon", "fra", "grm", "gup", "heb", "hdi", "hun", "ime", "imp", "ita",
    "jpn", "kor", "mod", "mpd", "mst", "nld", "nls", "nor", "olb", "pci", "pdr", "pkg",
    "plk", "ptb", "rll", "rus", "se",  "sfx", "src", "str", "sve", "sys", "tas", "tha",
    "tlb", "trk", "tsk", "tsp", "vbx", "vxd", "wll", "wpc", "wpl", "x32", "xfm", "xpg"};
constexpr DialogFilter kFilters[] = {
    {"Win PE Module (A-H)", "Modulo Win PE (A-H)",
     "*.8b*;*.98;*.386;*.3gr;*.acm;*.api;*.apl;*.ara;*.arx;*.asi;*.ax;*.awx;*.bmi;*.chs;*.cht;"
     "*.cnv;*.cpl;*.csy;*.d01;*.dan;*.deu;*.dbx;*.dic;*.dl*;*.drv;*.ds;*.ell;*.enu;*.esp;*.exe;"
     "*.fla;*.fln;*.flt;*.fon;*.fra;*.grm;*.gup;*.heb;*.hdi;*.hun;*.hx*"},
    {"Win PE Module (I-Z)", "Modulo Win PE (I-Z)",
     "*.ime;*.imp;*.ita;*.jpn;*.kor;*.mod;*.mpd;*.mst;*.nld;*.nls;*.nor;*.ocx;*.olb;*.pci;*.pdr;"
     "*.pkg;*.plk;*.ptb;*.rll;*.rus;*.scr;*.se;*.sfx;*.src;*.str;*.sve;*.sys;*.tas;*.tha;*.tlb;"
     "*.trk;*.tsk;*.tsp;*.vbx;*.wll;*.wpc;*.wpl;*.x32;*.xfm;*.xh*;*.xpg"},
};

}  // namespace

const CarrierHandler& moduleHandler() {
  static const ModuleHandler handler;
  return handler;
}

const FormatFacts& moduleFacts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,        {},           kFilters,
                                     {},     MediaKind::kModule, moduleHandler};
  return facts;
}

}  // namespace murl
