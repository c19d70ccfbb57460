#pragma once
// Baseline JPEG files. The units are the non-zero AC coefficients whose size category (the low
// nibble of their Huffman symbol) is above L + 1, that is |value| >= 2^(L+1); the unit bit is the
// last of the coefficient's additional bits. Changing it keeps the size category, so every code
// and every bit count stays as it was: hide and mark rewrite the entropy-coded data bit for bit
// and copy every marker segment, and every byte after EOI, as they are.
#include <cstdint>
#include <memory>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/image_usability.h"
#include "carriers/jpeg/huffman.h"
#include "carriers/jpeg/jpeg_markers.h"
#include "carriers/jpeg/scan_data.h"
#include "platform/byte_order.h"

namespace murl {

class JpegFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kJpeg;
  static constexpr bool kCodesTarget = true;

  explicit JpegFormat(const OperationContext& context);

  // Reads the markers up to and including the frame header, with the same checks as the walk.
  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return kType; }
  uint32_t leadIn() const { return imageLeadIn(frame_.width, frame_.height, level_); }
  uint32_t spacing() const { return 1; }
  // The non-zero AC coefficients the walk met, units or not.
  uint64_t allUnits() const { return nonZero_; }

  // Goes on from the frame header: every segment to EOI, every scan walked; for hide and mark the
  // whole target, from the source's first byte to its last.
  template <class Pass>
  bool walk(Pass& pass, platform::File* dst);

 private:
  // Where reading segments stopped: at a scan header, after the frame header (when asked to), at
  // EOI, or on a failure that has shown no message yet (a stop shows none).
  enum class Next : uint8_t { kScan, kFrame, kEnd, kInvalid, kWriteFailed, kStopped };
  enum class Block : uint8_t { kOk, kInvalid, kPassFailed };

  // Reads segments from offset_ until a scan header (parsed into scan_) or EOI, copying each to
  // dst; `frameOnly` also stops right after the frame header. Leaves offset_ at the scan data or
  // at EOI.
  Next readSegments(platform::File* dst, bool frameOnly);
  bool segmentsFailed(Next next) const;
  bool takeSegment(uint16_t marker, std::span<const uint8_t> payload);
  // The operation's message for a failed step of the scan walk.
  bool scanFailed(jpeg::ScanData::Status status) const;

  template <class Pass>
  bool walkScan(Pass& pass, platform::File* dst);
  template <class Pass>
  Block walkBlock(Pass& pass, uint8_t* data, uint64_t& position, const jpeg::HuffmanTable& dc,
                  const jpeg::HuffmanTable& ac);

  const OperationContext& context_;
  platform::File* src_ = nullptr;
  uint64_t offset_ = 0;    // where the next marker is read
  uint64_t frameEnd_ = 0;  // the first byte after the frame header
  uint8_t level_ = 0;
  bool haveFrame_ = false;
  jpeg::Frame frame_;
  jpeg::Scan scan_;
  uint16_t interval_ = 0;  // MCUs between restart markers; 0 when there are none
  std::unique_ptr<jpeg::HuffmanSlots> tables_;
  uint64_t nonZero_ = 0;
};

template <class Pass>
bool JpegFormat::walk(Pass& pass, platform::File* dst) {
  // Before the first unit the work buffer is free for the copy.
  if (dst && !context_.copyRange(*src_, *dst, 0, frameEnd_)) return false;
  offset_ = frameEnd_;
  for (;;) {
    const Next next = readSegments(dst, false);
    if (next == Next::kEnd) break;
    if (next != Next::kScan) return segmentsFailed(next);
    if (!walkScan(pass, dst)) return false;
  }
  // EOI and whatever follows it; after the last unit the work buffer is free again.
  return !dst || context_.appendRange(*src_, *dst, offset_, src_->size());
}

template <class Pass>
bool JpegFormat::walkScan(Pass& pass, platform::File* dst) {
  using Status = jpeg::ScanData::Status;
  jpeg::ScanData data(context_, *src_, dst, context_.workspace.sampleBuffer.data());
  data.begin(offset_);
  const jpeg::HuffmanSlots& tables = *tables_;
  uint8_t restart = 0;
  for (uint64_t mcu = 0; mcu < scan_.mcus; ++mcu) {
    if (context_.stopped()) return false;
    if (interval_ != 0 && mcu != 0 && mcu % interval_ == 0) {
      const Status status = data.restart(restart);
      if (status != Status::kOk) return scanFailed(status);
      restart = (restart + 1) & 7;
    }
    const Status status = data.ensure();
    if (status != Status::kOk) return scanFailed(status);
    uint64_t position = data.position();
    for (uint32_t b = 0; b < scan_.blocksPerMcu; ++b) {
      const Block block =
          walkBlock(pass, data.data(), position, tables[scan_.dcSlot[b]], tables[scan_.acSlot[b]]);
      data.setPosition(position);
      if (block == Block::kPassFailed) return false;
      if (block == Block::kInvalid || data.overran()) return scanFailed(Status::kInvalid);
    }
  }
  const Status status = data.finish(offset_);
  return status == Status::kOk || scanFailed(status);
}

// One block: the DC code and its additional bits, then AC codes up to EOB or position 63. The
// next 57 bits are always one whole-word load away, enough for a code and its additional bits.
template <class Pass>
JpegFormat::Block JpegFormat::walkBlock(Pass& pass, uint8_t* data, uint64_t& position,
                                        const jpeg::HuffmanTable& dc,
                                        const jpeg::HuffmanTable& ac) {
  const uint32_t unitAbove = level_ + 1u;
  uint64_t p = position;
  auto window = [&] { return loadBe64(data + (p >> 3)) << (p & 7); };
  const jpeg::HuffmanCode dcCode = dc.decode(static_cast<uint32_t>(window() >> 48));
  // An 8-bit difference needs at most 11 bits; 15 is as far as any decoder reads.
  if (dcCode.length == 0 || dcCode.symbol > 15) return Block::kInvalid;
  p += dcCode.length + dcCode.symbol;
  for (uint32_t k = 0; k < jpeg::kBlockCoefficients - 1;) {
    const jpeg::HuffmanCode code = ac.decode(static_cast<uint32_t>(window() >> 48));
    if (code.length == 0) return Block::kInvalid;
    p += code.length;
    if (code.symbol == 0) break;  // end of block
    k += (code.symbol >> 4) + 1u;
    if (k > jpeg::kBlockCoefficients - 1) return Block::kInvalid;
    const uint32_t size = code.symbol & 15u;
    p += size;
    if (size == 0) continue;  // a run of zeros
    ++nonZero_;
    if (size <= unitAbove) continue;
    const uint64_t at = p - 1;
    uint8_t& byte = data[at >> 3];
    const uint32_t shift = 7 - static_cast<uint32_t>(at & 7);
    const uint8_t was = (byte >> shift) & 1;
    uint8_t bit = was;
    if (!pass.visit(bit)) return Block::kPassFailed;
    byte ^= static_cast<uint8_t>((bit ^ was) << shift);
  }
  position = p;
  return Block::kOk;
}

const CarrierHandler& jpegHandler();

const FormatFacts& jpegFacts();

}  // namespace murl
