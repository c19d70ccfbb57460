#pragma once
// The layout of an uncompressed 24- or 32-bit bitmap, as a file of its own or as a resource inside
// a module (info header first, no file header).
#include <array>
#include <cstdint>
#include <span>

namespace murl::bmp {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kV3HeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
// Enough bytes to parse any accepted bitmap: file header, largest info header, three masks.
constexpr size_t kMaxHeaderBytes = kFileHeaderSize + kV5HeaderSize + 12;
constexpr uint32_t kMaxRowBytes = 0x400000;
// The units of a bitmap (pixels, or channels of a colour one) must stay below this.
constexpr uint64_t kMaxUnits = 0xFFFFFFFF;

struct BmpLayout {
  uint32_t infoSize = 0;
  uint32_t width = 0;     // above 0
  uint32_t height = 0;    // top bit cleared
  uint16_t bitCount = 0;  // 24 or 32
  uint32_t compression = 0;
  // Channels 0, 1, 2 of a 32-bit pixel read as a little-endian u32, and each mask's lowest set
  // bit, which is the channel's unit bit. For 24-bit pixels the channels are bytes 0, 1, 2.
  std::array<uint32_t, 3> masks{0x000000FF, 0x0000FF00, 0x00FF0000};
  std::array<uint8_t, 3> shifts{0, 8, 16};
  uint32_t rowBytes = 0;   // pixel bytes of one row
  uint32_t rowStride = 0;  // stored row, padded to a multiple of 4
  // Where the first row starts, counted from the start of the parsed bytes.
  uint64_t pixelStart = 0;
  // End of the headers (file header, info header, masks after a version 3 header).
  uint64_t headersEnd = 0;

  uint64_t pixelCount() const { return uint64_t{width} * height; }
  uint64_t pixelBytes() const { return uint64_t{rowStride} * height; }
};

// Parses and checks the headers at the start of `bytes` (fewer than kMaxHeaderBytes when the
// file is shorter). `withFileHeader` is false for a bitmap inside a module, whose rows then
// follow the info header (and masks). `available` is how many bytes the bitmap may use from the
// start of `bytes`: rows that do not fit make it no carrier. False when it is not a carrier.
bool parseBmp(std::span<const uint8_t> bytes, bool withFileHeader, uint64_t available,
              BmpLayout& layout);

// Whether every pixel of a row has equal channels.
bool bmpRowIsGrey(const BmpLayout& layout, const uint8_t* row);

// True when a 32-bit mask is one run of at least 8 set bits starting no higher than bit 28.
bool isUsableMask(uint32_t mask);

}  // namespace murl::bmp
