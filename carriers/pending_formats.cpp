#include "carriers/pending_formats.h"

namespace murl {
namespace {

// No file is a carrier of a format not built yet, so its other operations are never reached.
class RefusingHandler final : public CarrierHandler {
 public:
  bool count(platform::File&, IdentificationRecord&, Workspace&) const override { return false; }
  bool hide(platform::File&, platform::File&, const CarrierEntry&, const StreamShare&,
            const HideJob&, Workspace&, double&) const override {
    return false;
  }
  bool extract(platform::File&, const CarrierEntry&, ExtractionSink&, Workspace&) const override {
    return false;
  }
  bool mark(platform::File&, platform::File&, const MarkField&, Workspace&,
            double&) const override {
    return false;
  }
  bool check(platform::File&, uint32_t, CheckCollector&, Workspace&) const override {
    return false;
  }
};

const CarrierHandler& refusingHandler() {
  static const RefusingHandler handler;
  return handler;
}

constexpr TypeFacts kPngTypes[] = {{CarrierType::kPng, "PNG", LevelFormat::kPng}};
constexpr const char* kPngExtensions[] = {"png"};
constexpr LevelFacts kPngLevels[] = {{LevelFormat::kPng, "png", "PNG"}};
constexpr DialogFilter kPngFilters[] = {{"PNG Image (png)", "Immagine PNG (png)", "*.png"}};
constexpr const char* kPngOutputs[] = {"as-original", "interlaced", "linear"};
constexpr OptionFacts kPngOptions[] = {
    {"png-compression",
     "PNG compression level, 0-6",
     OptionFacts::Kind::kLevel,
     {},
     kMaxLevel,
     [](const Options& o) { return o.pngCompressionLevel; },
     [](Options& o, uint8_t v) { o.pngCompressionLevel = v; }},
    {"png-output", "PNG targets: as-original|interlaced|linear", OptionFacts::Kind::kChoice,
     kPngOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.pngOutput); },
     [](Options& o, uint8_t v) { o.pngOutput = static_cast<PngOutput>(v); }},
    {"png-chunk",
     "PNG IDAT chunk size, 0 (16Kb) to 8 (4Mb)",
     OptionFacts::Kind::kNumber,
     {},
     8,
     [](const Options& o) { return o.pngChunkSize; },
     [](Options& o, uint8_t v) { o.pngChunkSize = v; }},
};

}  // namespace

const FormatFacts& pngFacts() {
  static constexpr FormatFacts facts{kPngTypes,   kPngExtensions,    kPngLevels,     kPngFilters,
                                     kPngOptions, MediaKind::kImage, refusingHandler};
  return facts;
}

}  // namespace murl
