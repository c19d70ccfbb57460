#include "carriers/png/png.h"

#include <algorithm>
#include <iterator>

#include "platform/byte_order.h"

namespace murl {
namespace {

constexpr uint32_t kSmallestIdatChunk = 16384;
// Deflate stores at most 258 bytes in 2 bits: no image data inflates more than 1032 times.
constexpr uint64_t kMostInflatedPerByte = 1032;
constexpr uint8_t kLargestChunkOption = 8;  // 16384 << 8: 4 MiB, the work buffer

}  // namespace

bool PngFormat::open(platform::File& src, const CarrierRegion&, CarrierType) {
  src_ = &src;
  level_ = context_.level(LevelFormat::kPng);
  if (!src.seek(0) || !src.readExact(head_.data(), head_.size())) return false;
  // Count accepts only what hide may write with the options as they are.
  const bool writesInterlaced = (context_.writes() || context_.operation == Operation::kCount) &&
                                context_.workspace.options.pngOutput == PngOutput::kInterlaced;
  return png::parseHeader(head_, writesInterlaced, header_);
}

bool PngFormat::targetInterlaced() const {
  switch (context_.workspace.options.pngOutput) {
    case PngOutput::kInterlaced:
      return true;
    case PngOutput::kLinear:
      return false;
    case PngOutput::kAsOriginal:
      break;
  }
  return header_.interlaced;
}

uint64_t PngFormat::scanlinesHandled(bool writes) const {
  const uint64_t decoded = png::scanlineCount(header_, header_.interlaced);
  return decoded + header_.height + (writes ? png::scanlineCount(header_, targetInterlaced()) : 0);
}

bool PngFormat::nextChunk(uint8_t (&chunk)[png::kChunkHeaderSize]) {
  if (context_.stopped()) return false;
  return src_->readExact(chunk, sizeof chunk) || context_.readFailed();
}

bool PngFormat::passChunk(const uint8_t (&chunk)[png::kChunkHeaderSize], platform::File* dst) {
  const uint64_t rest = uint64_t{loadBe32(chunk)} + png::kChunkCrcSize;
  if (dst == nullptr) return src_->seek(src_->position() + rest) || context_.readFailed();
  if (!dst->writeExact(chunk, sizeof chunk)) return context_.writeFailed();
  const uint64_t at = src_->position();
  return context_.appendRange(*src_, *dst, at, at + rest);
}

bool PngFormat::readImage(platform::File* dst, png::PngImage& image, png::RowProgress& progress) {
  if (dst != nullptr && !writeHead(*dst)) return false;
  if (!src_->seek(png::kHeadSize)) return context_.readFailed();
  for (;;) {
    uint8_t chunk[png::kChunkHeaderSize];
    if (!nextChunk(chunk)) return false;
    if (png::isChunkType(chunk, "IDAT")) break;
    // The image ends before any image data: there is nothing to decode.
    if (png::isChunkType(chunk, "IEND")) return context_.readFailed();
    if (!passChunk(chunk, dst)) return false;
  }
  const uint64_t at = src_->position() - png::kChunkHeaderSize;
  if (!src_->seek(at)) return context_.readFailed();
  // A file too short for its image fails before the pixels are allocated.
  const uint64_t left = src_->size() - at;
  if (png::streamSize(header_, header_.interlaced) > left * kMostInflatedPerByte) {
    return context_.readFailed();
  }
  return png::allocateImage(context_, header_, image) &&
         png::decodeImage(context_, *src_, image, progress);
}

// The IHDR as the target stores its image data; a changed interlace method gets its CRC anew.
bool PngFormat::writeHead(platform::File& dst) {
  std::array<uint8_t, png::kHeadSize> head = head_;
  const uint8_t interlace = targetInterlaced() ? 1 : 0;
  if (head[png::kInterlaceByte] != interlace) {
    head[png::kInterlaceByte] = interlace;
    uint8_t* type = head.data() + png::kSignature.size() + 4;
    storeBe32(type + 4 + 13, png::chunkCrc(type, {type + 4, 13}));
  }
  return dst.writeExact(head.data(), head.size()) || context_.writeFailed();
}

bool PngFormat::writeImage(platform::File& dst, const png::PngImage& image,
                           png::RowProgress& progress) {
  const Options& options = context_.workspace.options;
  const png::EncodeSettings settings{
      targetInterlaced(), std::min(options.pngCompressionLevel, kMaxLevel),
      kSmallestIdatChunk << std::min(options.pngChunkSize, kLargestChunkOption)};
  return png::encodeImage(context_, dst, image, settings, progress) && copyTail(dst);
}

// Every chunk after the image data up to IEND, then every byte after IEND.
bool PngFormat::copyTail(platform::File& dst) {
  for (bool end = false; !end;) {
    uint8_t chunk[png::kChunkHeaderSize];
    if (!nextChunk(chunk)) return false;
    // A second run of image data would follow the new one in the target, which no reader takes.
    if (png::isChunkType(chunk, "IDAT")) return context_.readFailed();
    end = png::isChunkType(chunk, "IEND");
    if (end && loadBe32(chunk) != 0) return context_.readFailed();
    if (!passChunk(chunk, &dst)) return false;
  }
  const uint64_t at = src_->position();
  const uint64_t size = src_->size();
  return at >= size || context_.appendRange(*src_, dst, at, size);
}

const CarrierHandler& pngHandler() {
  static const FormatHandler<PngFormat> handler;
  return handler;
}

namespace {
constexpr TypeFacts kTypes[] = {{CarrierType::kPng, "PNG", LevelFormat::kPng}};
constexpr const char* kExtensions[] = {"png"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kPng, "png", "PNG"}};
constexpr DialogFilter kFilters[] = {{"PNG Image (png)", "Immagine PNG (png)", "*.png"}};
constexpr const char* kOutputs[] = {"as-original", "interlaced", "linear"};
constexpr TextPair kOutputLabels[] = {
    {"As original", "Originale"}, {"Interlaced", "Interlacciato"}, {"Linear", "Lineare"}};
constexpr TextPair kChunkLabels[] = {{"16Kb", "16Kb"},   {"32Kb", "32Kb"},   {"64Kb", "64Kb"},
                                     {"128Kb", "128Kb"}, {"256Kb", "256Kb"}, {"512Kb", "512Kb"},
                                     {"1Mb", "1Mb"},     {"2Mb", "2Mb"},     {"4Mb", "4Mb"}};
static_assert(std::size(kChunkLabels) == kLargestChunkOption + 1);
constexpr OptionFacts kOptions[] = {
    {"png-compression",
     "PNG compression level, 0-6",
     OptionFacts::Kind::kLevel,
     {},
     kMaxLevel,
     [](const Options& o) { return o.pngCompressionLevel; },
     [](Options& o, uint8_t v) { o.pngCompressionLevel = v; },
     {"Compression level", "Livello di compressione"},
     {}},
    {"png-output", "PNG targets: as-original|interlaced|linear", OptionFacts::Kind::kChoice,
     kOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.pngOutput); },
     [](Options& o, uint8_t v) { o.pngOutput = static_cast<PngOutput>(v); }, kOutputFormatTitle,
     kOutputLabels},
    {"png-chunk",
     "PNG IDAT chunk size, 0 (16Kb) to 8 (4Mb)",
     OptionFacts::Kind::kNumber,
     {},
     kLargestChunkOption,
     [](const Options& o) { return o.pngChunkSize; },
     [](Options& o, uint8_t v) { o.pngChunkSize = v; },
     {"IDAT Chunk size", "Dimensione chunk IDAT"},
     kChunkLabels},
};
}  // namespace

const FormatFacts& pngFacts() {
  static constexpr FormatFacts facts{kTypes,   kExtensions,       kLevels,   kFilters,
                                     kOptions, MediaKind::kImage, pngHandler};
  return facts;
}

}  // namespace murl
