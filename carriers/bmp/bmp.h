#pragma once
// Uncompressed 24- and 32-bit bitmaps. A colour bitmap (type 2) has one unit per channel of each
// pixel; a grey one (type 3), whose pixels all have equal channels, one unit per pixel, judged by
// channel 0 and written to all three. The unit bit is each channel's lowest bit. The format also
// serves bitmap resources inside modules (info header first, no file header).
#include <cstdint>

#include "carriers/bmp/bmp_format.h"
#include "carriers/common/colour_bytes.h"
#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/in_place.h"
#include "platform/byte_order.h"

namespace murl {

class BmpFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kBmpColour;

  explicit BmpFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return grey_ ? CarrierType::kBmpGrey : CarrierType::kBmpColour; }
  uint32_t leadIn() const { return imageLeadIn(layout_.width, layout_.height, level_); }
  uint32_t spacing() const { return 1; }
  uint64_t allUnits() const { return layout_.pixelCount() * (grey_ ? 1 : 3); }

  // One pass finds the classification and the units of the kind it settles on.
  bool countUnits(uint64_t& units);
  bool classify();

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst) {
    return walkInPlace(context_, *src_, dst, region_, rows(), [&](uint8_t* rows, uint64_t n) {
      for (uint64_t r = 0; r < n; ++r) {
        if (!walkRow(pass, rows + r * layout_.rowStride, grey_)) return false;
      }
      return true;
    });
  }

 private:
  // Reads every row: settles grey_ and counts the units of that kind.
  bool scan(uint64_t& units);
  RecordRun rows() const {
    return {region_.offset + layout_.pixelStart, layout_.height, layout_.rowStride};
  }

  // The units of one row in order: pixels left to right, channels 0, 1, 2.
  template <class Pass>
  bool walkRow(Pass& pass, uint8_t* row, bool grey) const;
  template <class Pass>
  bool walkGreyRow(Pass& pass, uint8_t* row) const;
  template <class Pass>
  bool walkWideRow(Pass& pass, uint8_t* row, bool grey) const;

  const OperationContext& context_;
  platform::File* src_ = nullptr;
  CarrierRegion region_;
  bmp::BmpLayout layout_;
  uint8_t level_ = 0;
  bool grey_ = false;
};

template <class Pass>
bool BmpFormat::walkRow(Pass& pass, uint8_t* row, bool grey) const {
  if (layout_.bitCount == 32) return walkWideRow(pass, row, grey);
  if (grey) return walkGreyRow(pass, row);
  return pass.block(ColourByteGrouper(level_), row, layout_.rowBytes);
}

// 24-bit grey: a pixel's new unit bit goes to all three bytes.
template <class Pass>
bool BmpFormat::walkGreyRow(Pass& pass, uint8_t* row) const {
  for (uint32_t i = 0; i < layout_.rowBytes; i += 3) {
    const uint8_t value = row[i];
    if (!isImageUnit(value, level_)) continue;
    uint8_t bit = value & 1;
    if (!pass.visit(bit)) return false;
    // Unconditional stores: whether a unit bit changes is as random as the data.
    row[i] = row[i + 1] = row[i + 2] = static_cast<uint8_t>((value & 0xFE) | bit);
  }
  return true;
}

// 32-bit pixels: each channel's unit bit is its mask's lowest bit; a grey pixel's goes to all
// three channels.
template <class Pass>
bool BmpFormat::walkWideRow(Pass& pass, uint8_t* row, bool grey) const {
  const bmp::BmpLayout& l = layout_;
  const uint32_t channels = grey ? 1 : 3;
  const uint32_t allUnitBits = (1u << l.shifts[0]) | (1u << l.shifts[1]) | (1u << l.shifts[2]);
  for (uint32_t i = 0; i < l.rowBytes; i += 4) {
    uint32_t px = loadLe32(row + i);
    for (uint32_t c = 0; c < channels; ++c) {
      const uint32_t value = (px & l.masks[c]) >> l.shifts[c];
      if (!isImageUnit(value, level_)) continue;
      uint8_t bit = value & 1;
      if (!pass.visit(bit)) return false;
      const uint32_t place = grey ? allUnitBits : 1u << l.shifts[c];
      px = (px & ~place) | (place * bit);
    }
    storeLe32(row + i, px);
  }
  return true;
}

const CarrierHandler& bmpHandler();

const FormatFacts& bmpFacts();

}  // namespace murl
