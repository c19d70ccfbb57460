#pragma once
// True-colour (24 or 32 bits) and greyscale (8 bits) Targa images, raw or run-length coded (type
// 10). Units are the colour bytes of each pixel in file order: bytes 0, 1, 2 (blue, green, red)
// of a true-colour pixel, never its alpha byte, and the one byte of a grey pixel; bit 0 is the
// unit bit. Targets are coded as the source was or as the TGA output option says, and carry the
// source's version 2 footer and the parts it points to after their own pixel data.
#include <array>
#include <cstdint>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/pixel_rows.h"
#include "carriers/tga/tga_codec.h"

namespace murl {

class TgaFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kTga;
  static constexpr bool kCodesTarget = true;

  explicit TgaFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return kType; }
  uint32_t leadIn() const { return imageLeadIn(layout_.width, layout_.height, level_); }
  uint32_t spacing() const { return 1; }
  uint64_t allUnits() const { return layout_.pixelCount() * layout_.unitsPerPixel(); }

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst);

 private:
  const OperationContext& context_;
  platform::File* src_ = nullptr;
  std::array<uint8_t, tga::kHeaderSize> header_{};
  tga::TgaLayout layout_;
  uint8_t level_ = 0;
};

namespace tga {

// Rows from the source, read or decoded, and to the target, raw or coded; the header and image
// ID before them, and the footer with its parts after them (see walkDecodedRows). A count also
// makes sure that what follows the rows could be carried over.
class TgaRows {
 public:
  TgaRows(const OperationContext& context, platform::File& src, platform::File* dst,
          const std::array<uint8_t, kHeaderSize>& header, const TgaLayout& layout);

  bool start();
  bool next(uint8_t*& row);
  bool put(uint8_t* row);
  bool finish();

 private:
  const OperationContext& context_;
  platform::File& src_;
  platform::File* dst_;
  const std::array<uint8_t, kHeaderSize>& header_;
  const TgaLayout& layout_;
  uint8_t targetType_;
  uint32_t rowsPut_ = 0;
  uint8_t* decoded_;  // where decoded rows go, with room before them for held pixels
  ReadWindow in_;
  WriteQueue out_;
  RowDecoder decoder_;
  RowEncoder encoder_;
};

}  // namespace tga

// Bytes 0, 1, 2 of each pixel; a grey pixel's one byte.
template <class Pass>
bool TgaFormat::walk(Pass& pass, platform::File* dst) {
  tga::TgaRows rows(context_, *src_, dst, header_, layout_);
  const ColourByteGrouper grouper(level_);
  const ChannelPlaces places{layout_.unitsPerPixel(), layout_.pixelBytes, 1};
  return walkDecodedRows(context_, rows, layout_.height, [&](uint8_t* row) {
    return walkColourBytes(pass, grouper, row, layout_.width, places, dst != nullptr);
  });
}

const CarrierHandler& tgaHandler();

const FormatFacts& tgaFacts();

}  // namespace murl
