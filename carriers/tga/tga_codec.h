#pragma once
// The layout of a true-colour or greyscale Targa image and its run-length packets, which may run
// on from one row into the next.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "carriers/common/byte_window.h"

namespace murl::tga {

constexpr size_t kHeaderSize = 18;
constexpr size_t kTypeByte = 2;
constexpr uint32_t kMaxPacketPixels = 128;
constexpr uint32_t kMaxPixelBytes = 4;

struct TgaLayout {
  uint8_t idLength = 0;
  uint8_t type = 0;  // 2, 3 raw; 10, 11 coded
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pixelBytes = 0;  // b: 1 (grey), 3 or 4 (true-colour; the fourth byte is alpha)

  bool coded() const { return type >= 10; }
  bool grey() const { return type == 3 || type == 11; }
  uint32_t unitsPerPixel() const { return grey() ? 1 : 3; }
  uint64_t pixelStart() const { return kHeaderSize + idLength; }
  uint32_t rowBytes() const { return width * pixelBytes; }
  uint64_t pixelCount() const { return uint64_t{width} * height; }
};

// Checks the 18-byte header: type 2 or 10 with 24 or 32 bits, 3 or 11 with 8 bits, no colour map
// bytes before the pixels, and width x height units within 32 bits. False when it is not a
// carrier.
bool parseTga(std::span<const uint8_t, kHeaderSize> header, TgaLayout& layout);

// Whether a file of `fileSize` bytes can hold the pixels the header declares, at the densest
// coding; when not, no pixel need be read to know the image is no carrier.
bool pixelsFit(const TgaLayout& layout, uint64_t fileSize);

// The image type a target is written with: `compress` true turns 2, 3 into 10, 11, false the
// reverse; `keep` leaves it as it is.
uint8_t targetType(uint8_t type, bool keep, bool compress);

// Decodes rows of packets. A packet that runs past the end of a row supplies the first pixels of
// the next one, so the decoder keeps what is left of it between rows.
class RowDecoder {
 public:
  explicit RowDecoder(uint32_t pixelBytes) : pixelBytes_(pixelBytes) {}

  // Fills `row` with `width` pixels: first what is left of the last packet, then whole packets
  // from the window, each of which must lie within it; consumes those packets.
  bool decode(ReadWindow& in, uint8_t* row, uint32_t width);

 private:
  uint32_t pixelBytes_;
  uint32_t left_ = 0;  // pixels of the last packet not yet supplied
  bool repeats_ = false;
  uint32_t heldAt_ = 0;
  // A run packet's pixel, or a raw packet's pixels not yet supplied.
  std::array<uint8_t, (kMaxPacketPixels - 1) * kMaxPixelBytes> held_{};
};

// Codes rows into packets. Pixels that might still grow into a longer packet with the next row
// are held back and coded with it; the last row is coded whole.
class RowEncoder {
 public:
  // What may precede a row in its buffer for the pixels held back.
  static constexpr size_t kHeldRoom = (kMaxPacketPixels - 1) * kMaxPixelBytes;

  explicit RowEncoder(uint32_t pixelBytes) : pixelBytes_(pixelBytes) {}

  // The most bytes encode() writes for a row of `width` pixels.
  size_t bound(uint32_t width) const {
    return (size_t{width} + kMaxPacketPixels) * (pixelBytes_ + 1);
  }
  // Codes the held pixels and the row's `width` pixels into `out`; the kHeldRoom bytes before
  // `row` are used to put them side by side. Returns the coded length.
  size_t encode(uint8_t* row, uint32_t width, bool lastRow, uint8_t* out);

 private:
  uint32_t pixelBytes_;
  uint32_t heldPixels_ = 0;
  std::array<uint8_t, kHeldRoom> held_{};
};

}  // namespace murl::tga
