#include "carriers/tga/tga.h"

#include <cstring>

#include "carriers/tga/tga_rest.h"

namespace murl {
namespace tga {
namespace {

// The sample buffer holds a decoded row after room for the encoder's held pixels, and the queue
// of target bytes from kQueueAt on; the codec buffer is the read-ahead window, and the footer's
// directory once the rows are done.
constexpr size_t kRowAt = RowEncoder::kHeldRoom;
constexpr size_t kQueueAt = 0x100000;

uint8_t outputType(const OperationContext& context, uint8_t type) {
  const RleOutput output = context.workspace.options.tgaOutput;
  return targetType(type, output == RleOutput::kAsOriginal, output == RleOutput::kCompressed);
}

}  // namespace

TgaRows::TgaRows(const OperationContext& context, platform::File& src, platform::File* dst,
                 const std::array<uint8_t, kHeaderSize>& header, const TgaLayout& layout)
    : context_(context),
      src_(src),
      dst_(dst),
      header_(header),
      layout_(layout),
      targetType_(outputType(context, layout.type)),
      decoded_(context.workspace.sampleBuffer.data() + kRowAt),
      in_(src, context.workspace.codecBuffer.data(), kBufferSize, kHeaderSize),
      out_(dst, context.workspace.sampleBuffer.data() + kQueueAt, kBufferSize - kQueueAt),
      decoder_(layout.pixelBytes),
      encoder_(layout.pixelBytes) {}

// The header, with the target's type, and the image ID.
bool TgaRows::start() {
  in_.fill(layout_.idLength);
  if (in_.ready() < layout_.idLength) return context_.readFailed();
  if (dst_) {
    std::array<uint8_t, kHeaderSize> header = header_;
    header[kTypeByte] = targetType_;
    if (!out_.put(header.data(), header.size()) || !out_.put(in_.data(), layout_.idLength)) {
      return context_.writeFailed();
    }
  }
  in_.consume(layout_.idLength);
  return true;
}

bool TgaRows::next(uint8_t*& row) {
  if (layout_.coded()) {
    row = decoded_;
    return decoder_.decode(in_, row, layout_.width) || context_.readFailed();
  }
  const uint32_t bytes = layout_.rowBytes();
  in_.fill(bytes);
  if (in_.ready() < bytes) return context_.readFailed();
  // A raw row is walked where it was read.
  row = in_.data();
  in_.consume(bytes);
  return true;
}

bool TgaRows::put(uint8_t* row) {
  if (!dst_) return true;
  const uint32_t bytes = layout_.rowBytes();
  if (targetType_ < 10) return out_.put(row, bytes) || context_.writeFailed();
  if (row != decoded_) std::memcpy(decoded_, row, bytes);
  uint8_t* at = out_.reserve(encoder_.bound(layout_.width));
  if (!at) return context_.writeFailed();
  out_.commit(encoder_.encode(decoded_, layout_.width, ++rowsPut_ == layout_.height, at));
  return true;
}

bool TgaRows::finish() {
  const bool counting = context_.operation == Operation::kCount;
  if (!dst_ && !counting) return true;
  if (dst_ && !out_.flush()) return context_.writeFailed();
  TgaRest rest;
  // The window is done with; its buffer takes the directory.
  if (!readRest(src_, in_.offset(), layout_.pixelBytes, context_.workspace.codecBuffer.data(),
                rest)) {
    return context_.readFailed();
  }
  return !dst_ || writeRest(context_, src_, *dst_, rest);
}

}  // namespace tga

bool TgaFormat::open(platform::File& src, const CarrierRegion&, CarrierType) {
  src_ = &src;
  level_ = context_.level(LevelFormat::kTga);
  return src.seek(0) && src.readExact(header_.data(), header_.size()) &&
         tga::parseTga(header_, layout_);
}

const CarrierHandler& tgaHandler() {
  static const FormatHandler<TgaFormat> handler;
  return handler;
}

namespace {
constexpr TypeFacts kTypes[] = {{CarrierType::kTga, "TGA", LevelFormat::kTga}};
constexpr const char* kExtensions[] = {"tga", "vda", "icb", "vst"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kTga, "tga", "TGA"}};
constexpr DialogFilter kFilters[] = {
    {"TGA Image (tga,vda,icb,vst)", "Immagine TGA (tga,vda,icb,vst)", "*.tga;*.vda;*.icb;*.vst"}};
constexpr OptionFacts kOptions[] = {
    {"tga-output", "TGA targets: as-original|compressed|uncompressed", OptionFacts::Kind::kChoice,
     kRunLengthOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.tgaOutput); },
     [](Options& o, uint8_t v) { o.tgaOutput = static_cast<RleOutput>(v); }, kOutputFormatTitle,
     kRunLengthOutputLabels}};
}  // namespace

const FormatFacts& tgaFacts() {
  static constexpr FormatFacts facts{kTypes,   kExtensions,       kLevels,   kFilters,
                                     kOptions, MediaKind::kImage, tgaHandler};
  return facts;
}

}  // namespace murl
