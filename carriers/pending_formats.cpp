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

// Windows modules, in the order their extensions are tried; "*" is any letter.
constexpr TypeFacts kModuleTypes[] = {{CarrierType::kModule, "PE module", LevelFormat::kBmp, true}};
constexpr const char* kModuleExtensions[] = {
    "exe", "dll", "cpl", "ocx", "scr", "8b*", "dl*", "hx*", "xh*", "98",  "386", "3gr",
    "acm", "api", "apl", "ara", "arx", "asi", "ax",  "awx", "bmi", "chs", "cht", "cnv",
    "csy", "d01", "dan", "deu", "dbx", "dic", "drv", "ds",  "ell", "enu", "esp", "fla",
    "fln", "flt", "fon", "fra", "grm", "gup", "heb", "hdi", "hun", "ime", "imp", "ita",
    "jpn", "kor", "mod", "mpd", "mst", "nld", "nls", "nor", "olb", "pci", "pdr", "pkg",
    "plk", "ptb", "rll", "rus", "se",  "sfx", "src", "str", "sve", "sys", "tas", "tha",
    "tlb", "trk", "tsk", "tsp", "vbx", "vxd", "wll", "wpc", "wpl", "x32", "xfm", "xpg"};
constexpr DialogFilter kModuleFilters[] = {
    {"Win PE Module (A-H)", "Modulo Win PE (A-H)",
     "*.8b*;*.98;*.386;*.3gr;*.acm;*.api;*.apl;*.ara;*.arx;*.asi;*.ax;*.awx;*.bmi;*.chs;*.cht;"
     "*.cnv;*.cpl;*.csy;*.d01;*.dan;*.deu;*.dbx;*.dic;*.dl*;*.drv;*.ds;*.ell;*.enu;*.esp;*.exe;"
     "*.fla;*.fln;*.flt;*.fon;*.fra;*.grm;*.gup;*.heb;*.hdi;*.hun;*.hx*"},
    {"Win PE Module (I-Z)", "Modulo Win PE (I-Z)",
     "*.ime;*.imp;*.ita;*.jpn;*.kor;*.mod;*.mpd;*.mst;*.nld;*.nls;*.nor;*.ocx;*.olb;*.pci;*.pdr;"
     "*.pkg;*.plk;*.ptb;*.rll;*.rus;*.scr;*.se;*.sfx;*.src;*.str;*.sve;*.sys;*.tas;*.tha;*.tlb;"
     "*.trk;*.tsk;*.tsp;*.vbx;*.wll;*.wpc;*.wpl;*.x32;*.xfm;*.xh*;*.xpg"},
};

constexpr TypeFacts kMp3Types[] = {{CarrierType::kMp3, "MP3", LevelFormat::kMp3}};
constexpr const char* kMp3Extensions[] = {"mp3"};
constexpr LevelFacts kMp3Levels[] = {{LevelFormat::kMp3, "mp3", "MP3"}};
constexpr DialogFilter kMp3Filters[] = {{"MP3 Audio (mp3)", "File Audio MP3 (mp3)", "*.mp3"}};

constexpr const char* kRleOutputs[] = {"as-original", "compressed", "uncompressed"};

constexpr TypeFacts kPcxTypes[] = {{CarrierType::kPcxColour, "PCX", LevelFormat::kPcx},
                                   {CarrierType::kPcxGrey, "PCX (grey)", LevelFormat::kPcx}};
constexpr const char* kPcxExtensions[] = {"pcx"};
constexpr LevelFacts kPcxLevels[] = {{LevelFormat::kPcx, "pcx", "PCX"}};
constexpr DialogFilter kPcxFilters[] = {{"PCX Image (pcx)", "Immagine PCX (pcx)", "*.pcx"}};
constexpr OptionFacts kPcxOptions[] = {
    {"pcx-output", "PCX targets: as-original|compressed|uncompressed", OptionFacts::Kind::kChoice,
     kRleOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.pcxOutput); },
     [](Options& o, uint8_t v) { o.pcxOutput = static_cast<RleOutput>(v); }}};

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

constexpr TypeFacts kTgaTypes[] = {{CarrierType::kTga, "TGA", LevelFormat::kTga}};
constexpr const char* kTgaExtensions[] = {"tga", "vda", "icb", "vst"};
constexpr LevelFacts kTgaLevels[] = {{LevelFormat::kTga, "tga", "TGA"}};
constexpr DialogFilter kTgaFilters[] = {
    {"TGA Image (tga,vda,icb,vst)", "Immagine TGA (tga,vda,icb,vst)", "*.tga;*.vda;*.icb;*.vst"}};
constexpr OptionFacts kTgaOptions[] = {
    {"tga-output", "TGA targets: as-original|compressed|uncompressed", OptionFacts::Kind::kChoice,
     kRleOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.tgaOutput); },
     [](Options& o, uint8_t v) { o.tgaOutput = static_cast<RleOutput>(v); }}};

}  // namespace

const FormatFacts& moduleFacts() {
  static constexpr FormatFacts facts{kModuleTypes,       kModuleExtensions, {}, kModuleFilters, {},
                                     MediaKind::kModule, refusingHandler};
  return facts;
}
const FormatFacts& mp3Facts() {
  static constexpr FormatFacts facts{kMp3Types, kMp3Extensions,    kMp3Levels,     kMp3Filters,
                                     {},        MediaKind::kAudio, refusingHandler};
  return facts;
}
const FormatFacts& pcxFacts() {
  static constexpr FormatFacts facts{kPcxTypes,   kPcxExtensions,    kPcxLevels,     kPcxFilters,
                                     kPcxOptions, MediaKind::kImage, refusingHandler};
  return facts;
}
const FormatFacts& pngFacts() {
  static constexpr FormatFacts facts{kPngTypes,   kPngExtensions,    kPngLevels,     kPngFilters,
                                     kPngOptions, MediaKind::kImage, refusingHandler};
  return facts;
}
const FormatFacts& tgaFacts() {
  static constexpr FormatFacts facts{kTgaTypes,   kTgaExtensions,    kTgaLevels,     kTgaFilters,
                                     kTgaOptions, MediaKind::kImage, refusingHandler};
  return facts;
}

}  // namespace murl
