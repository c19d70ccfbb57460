#include "carriers/jpeg/jpeg.h"

#include <cstring>

namespace murl {

JpegFormat::JpegFormat(const OperationContext& context)
    : context_(context), tables_(std::make_unique<jpeg::HuffmanSlots>()) {}

bool JpegFormat::open(platform::File& src, const CarrierRegion&, CarrierType) {
  src_ = &src;
  level_ = context_.level(LevelFormat::kJpg);
  uint8_t soi[2];
  if (!src.seek(0) || !src.readExact(soi, sizeof soi) || loadBe16(soi) != jpeg::kSoi) {
    return false;
  }
  offset_ = sizeof soi;
  if (readSegments(nullptr, true) != Next::kFrame) return false;
  frameEnd_ = offset_;
  return true;
}

JpegFormat::Next JpegFormat::readSegments(platform::File* dst, bool frameOnly) {
  using jpeg::MarkerRole;
  uint8_t* buffer = context_.workspace.sampleBuffer.data();
  for (;;) {
    // open() reads the few segments before the frame header without looking at the flags.
    if (!frameOnly && context_.stopped()) return Next::kStopped;
    if (!src_->seek(offset_) || !src_->readExact(buffer, 2)) return Next::kInvalid;
    const uint16_t marker = loadBe16(buffer);
    const MarkerRole role = jpeg::markerRole(marker);
    if (role == MarkerRole::kRefused) return Next::kInvalid;
    if (role == MarkerRole::kEnd) return Next::kEnd;
    if (!src_->readExact(buffer + 2, 2)) return Next::kInvalid;
    const uint16_t length = loadBe16(buffer + 2);
    if (length < 2) return Next::kInvalid;
    const uint64_t next = offset_ + 2 + length;
    if (role == MarkerRole::kSkipped && !dst) {
      offset_ = next;
      continue;
    }
    const std::span<const uint8_t> payload(buffer + 4, length - 2u);
    if (!src_->readExact(buffer + 4, payload.size())) return Next::kInvalid;
    if (dst && !dst->writeExact(buffer, 2u + length)) return Next::kWriteFailed;
    offset_ = next;
    if (!takeSegment(marker, payload)) return Next::kInvalid;
    if (role == MarkerRole::kScan) return Next::kScan;
    if (frameOnly && role == MarkerRole::kFrame) return Next::kFrame;
  }
}

bool JpegFormat::takeSegment(uint16_t marker, std::span<const uint8_t> payload) {
  switch (jpeg::markerRole(marker)) {
    case jpeg::MarkerRole::kFrame:
      // One frame per file: a second header could change the geometry the lead-in came from.
      if (haveFrame_) return false;
      haveFrame_ = true;
      return jpeg::parseFrame(payload, frame_);
    case jpeg::MarkerRole::kHuffmanTables:
      return jpeg::parseHuffmanTables(payload, *tables_);
    case jpeg::MarkerRole::kScan:
      return haveFrame_ && jpeg::parseScan(payload, frame_, *tables_, scan_);
    case jpeg::MarkerRole::kRestartInterval:
      return jpeg::parseRestartInterval(payload, interval_);
    default:
      return true;
  }
}

bool JpegFormat::segmentsFailed(Next next) const {
  if (next == Next::kWriteFailed) return context_.writeFailed();
  if (next == Next::kStopped) return false;
  return context_.readFailed();
}

bool JpegFormat::scanFailed(jpeg::ScanData::Status status) const {
  return status == jpeg::ScanData::Status::kWriteFailed ? context_.writeFailed()
                                                        : context_.readFailed();
}

const CarrierHandler& jpegHandler() {
  static const FormatHandler<JpegFormat> handler;
  return handler;
}

namespace {
constexpr TypeFacts kTypes[] = {{CarrierType::kJpeg, "JPEG", LevelFormat::kJpg}};
constexpr const char* kExtensions[] = {"jpg", "jpe", "jpeg", "jfif"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kJpg, "jpg", "JPG"}};
constexpr const char* kPatterns = "*.jpg;*.jpe;*.jpeg;*.jfif";
// The list without modules has always spelt the name so.
constexpr DialogFilter kFilters[] = {
    {"JPG Image (jpg,jpe,jpeg,jfif)", "Immagine JPG (jpg,jpe,jpeg,jfif)", kPatterns,
     CarrierChoice::kWithModules},
    {"JEG Image (jpg,jpe,jpeg,jfif)", "Immagine JPG (jpg,jpe,jpeg,jfif)", kPatterns,
     CarrierChoice::kWithoutModules}};
}  // namespace

const FormatFacts& jpegFacts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,       kLevels,    kFilters,
                                     {},     MediaKind::kImage, jpegHandler};
  return facts;
}

}  // namespace murl
