#pragma once
// 24-bit PCX images, raw or run-length coded. A colour image (type 7) has one unit per plane byte
// of each pixel, in the order plane 0, 1, 2; a grey one (type 8), whose pixels all have equal
// plane bytes, one unit per pixel, judged by plane 0 and written to all three planes. Bit 0 is
// the unit bit. Targets are coded as the source was or as the PCX output option says; whatever
// follows the last scanline is copied.
#include <array>
#include <cstdint>
#include <cstring>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/pixel_rows.h"
#include "carriers/pcx/pcx_codec.h"

namespace murl {

class PcxFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kPcxColour;
  static constexpr bool kCodesTarget = true;

  explicit PcxFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return grey_ ? CarrierType::kPcxGrey : CarrierType::kPcxColour; }
  uint32_t leadIn() const { return imageLeadIn(layout_.width, layout_.height, level_); }
  uint32_t spacing() const { return 1; }
  uint64_t allUnits() const { return layout_.pixelCount() * (grey_ ? 1 : pcx::kPlanes); }

  // One pass finds the classification and the units of the kind it settles on.
  bool countUnits(uint64_t& units);
  bool classify();

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst) {
    return walkLines(dst, [&](uint8_t* line) { return walkLine(pass, line, grey_, dst); });
  }

 private:
  template <class PerLine>
  bool walkLines(platform::File* dst, PerLine&& perLine);
  // Reads every scanline: settles grey_ and counts the units of that kind.
  bool scan(uint64_t& units);

  // The units of one scanline: pixels left to right, plane 0, 1, 2 of each (colour), or plane 0
  // alone, copied to the other planes once written (grey).
  template <class Pass>
  bool walkLine(Pass& pass, uint8_t* line, bool grey, const platform::File* dst) const {
    const ColourByteGrouper grouper(level_);
    const uint32_t stride = layout_.bytesPerLine;
    if (!grey)
      return walkColourBytes(pass, grouper, line, layout_.width, {3, 1, stride}, dst != nullptr);
    if (!pass.block(grouper, line, layout_.width)) return false;
    if (dst) {
      std::memcpy(line + stride, line, layout_.width);
      std::memcpy(line + 2 * stride, line, layout_.width);
    }
    return true;
  }

  const OperationContext& context_;
  platform::File* src_ = nullptr;
  std::array<uint8_t, pcx::kHeaderSize> header_{};
  pcx::PcxLayout layout_;
  uint8_t level_ = 0;
  bool grey_ = false;
};

namespace pcx {

// Scanlines from the source, read or decoded, and to the target, raw or coded; the header
// before them and the bytes after them copied (see walkDecodedRows).
class PcxLines {
 public:
  PcxLines(const OperationContext& context, platform::File& src, platform::File* dst,
           const std::array<uint8_t, kHeaderSize>& header, const PcxLayout& layout);

  bool start();
  bool next(uint8_t*& line);
  bool put(uint8_t* line);
  bool finish();

 private:
  const OperationContext& context_;
  platform::File& src_;
  platform::File* dst_;
  const std::array<uint8_t, kHeaderSize>& header_;
  const PcxLayout& layout_;
  bool codeTarget_;
  ReadWindow in_;
  WriteQueue out_;
};

}  // namespace pcx

template <class PerLine>
bool PcxFormat::walkLines(platform::File* dst, PerLine&& perLine) {
  pcx::PcxLines lines(context_, *src_, dst, header_, layout_);
  return walkDecodedRows(context_, lines, layout_.height, perLine);
}

const CarrierHandler& pcxHandler();

const FormatFacts& pcxFacts();

}  // namespace murl
