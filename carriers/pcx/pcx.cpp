#include "carriers/pcx/pcx.h"

namespace murl {
namespace pcx {
namespace {

// The sample buffer holds the decoded scanline at its start and the queue of target bytes from
// here on; the codec buffer is the read-ahead window.
constexpr size_t kQueueAt = 0x100000;

bool codesTarget(const OperationContext& context, const PcxLayout& layout) {
  switch (context.workspace.options.pcxOutput) {
    case RleOutput::kCompressed:
      return true;
    case RleOutput::kUncompressed:
      return false;
    case RleOutput::kAsOriginal:
      break;
  }
  return layout.coded;
}

}  // namespace

PcxLines::PcxLines(const OperationContext& context, platform::File& src, platform::File* dst,
                   const std::array<uint8_t, kHeaderSize>& header, const PcxLayout& layout)
    : context_(context),
      src_(src),
      dst_(dst),
      header_(header),
      layout_(layout),
      codeTarget_(codesTarget(context, layout)),
      in_(src, context.workspace.codecBuffer.data(), kBufferSize, kHeaderSize),
      out_(dst, context.workspace.sampleBuffer.data() + kQueueAt, kBufferSize - kQueueAt) {}

bool PcxLines::start() {
  if (!dst_) return true;
  std::array<uint8_t, kHeaderSize> header = header_;
  header[kEncodingByte] = codeTarget_ ? 1 : 0;
  return out_.put(header.data(), header.size()) || context_.writeFailed();
}

bool PcxLines::next(uint8_t*& line) {
  const uint32_t bytes = layout_.lineBytes();
  if (layout_.coded) {
    line = context_.workspace.sampleBuffer.data();
    return decodeScanline(in_, line, bytes) || context_.readFailed();
  }
  in_.fill(bytes);
  if (in_.ready() < bytes) return context_.readFailed();
  // A raw scanline is walked where it was read.
  line = in_.data();
  in_.consume(bytes);
  return true;
}

bool PcxLines::put(uint8_t* line) {
  if (!dst_) return true;
  const uint32_t bytes = layout_.lineBytes();
  if (!codeTarget_) return out_.put(line, bytes) || context_.writeFailed();
  // Coded padding is zero, whatever the source held there.
  if (layout_.width % 2 != 0) {
    for (uint32_t plane = 0; plane < kPlanes; ++plane) {
      line[plane * layout_.bytesPerLine + layout_.width] = 0;
    }
  }
  uint8_t* at = out_.reserve(size_t{kCodedLineFactor} * bytes);
  if (!at) return context_.writeFailed();
  out_.commit(encodeScanline(line, bytes, at));
  return true;
}

bool PcxLines::finish() {
  if (!dst_) return true;
  if (!out_.flush()) return context_.writeFailed();
  return context_.appendRange(src_, *dst_, in_.offset(), src_.size());
}

}  // namespace pcx

bool PcxFormat::open(platform::File& src, const CarrierRegion&, CarrierType type) {
  src_ = &src;
  grey_ = type == CarrierType::kPcxGrey;
  level_ = context_.level(LevelFormat::kPcx);
  return src.seek(0) && src.readExact(header_.data(), header_.size()) &&
         pcx::parsePcx(header_, layout_);
}

bool PcxFormat::scan(uint64_t& units) {
  UnitCounter colour;
  UnitCounter grey;
  bool allGrey = true;  // an image without scanlines counts as grey
  const bool read = walkLines(nullptr, [&](uint8_t* line) {
    allGrey = allGrey && pcx::lineIsGrey(layout_, line);
    walkLine(colour, line, false, nullptr);
    walkLine(grey, line, true, nullptr);
    return true;
  });
  grey_ = allGrey;
  units = grey_ ? grey.units() : colour.units();
  return read;
}

// Carrier bits and percentages are taken over the units of the whole image, in 32 bits.
bool PcxFormat::countUnits(uint64_t& units) { return scan(units) && allUnits() <= 0xFFFFFFFFu; }

// A short read has shown its message and a stop shows none; an image too large to count was
// never written as a carrier.
bool PcxFormat::classify() {
  uint64_t units = 0;
  return scan(units) && (allUnits() <= 0xFFFFFFFFu || context_.wrongBits());
}

const CarrierHandler& pcxHandler() {
  static const FormatHandler<PcxFormat> handler;
  return handler;
}

namespace {
// The extension leads to a colour image; the count finds the grey ones.
constexpr TypeFacts kTypes[] = {{CarrierType::kPcxColour, "PCX", LevelFormat::kPcx},
                                {CarrierType::kPcxGrey, "PCX (grey)", LevelFormat::kPcx}};
constexpr const char* kExtensions[] = {"pcx"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kPcx, "pcx", "PCX"}};
constexpr DialogFilter kFilters[] = {{"PCX Image (pcx)", "Immagine PCX (pcx)", "*.pcx"}};
constexpr OptionFacts kOptions[] = {
    {"pcx-output", "PCX targets: as-original|compressed|uncompressed", OptionFacts::Kind::kChoice,
     kRunLengthOutputs, 2, [](const Options& o) { return static_cast<uint8_t>(o.pcxOutput); },
     [](Options& o, uint8_t v) { o.pcxOutput = static_cast<RleOutput>(v); }, kOutputFormatTitle,
     kRunLengthOutputLabels}};
}  // namespace

const FormatFacts& pcxFacts() {
  static constexpr FormatFacts facts{kTypes,   kExtensions,       kLevels,   kFilters,
                                     kOptions, MediaKind::kImage, pcxHandler};
  return facts;
}

}  // namespace murl
