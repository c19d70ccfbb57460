#pragma once
// Small bitmaps for the BMP and module carrier tests, built byte by byte so every header field can
// be bent.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace murl::test {

struct BmpShape {
  uint32_t headerSize = 40;  // 12, 40, 108, 124 (or anything, to be refused)
  int32_t width = 32;
  int32_t height = 24;  // stored as given (negative: top-down)
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  // Bit fields (compression 3): for a 40-byte header written after it in this order, for
  // 108/124-byte headers stored as red, green, blue at header offsets 40, 44, 48.
  std::array<uint32_t, 3> masks{0x00FF0000, 0x0000FF00, 0x000000FF};
  uint32_t gapBytes = 0;   // bytes between the headers and the rows (a palette, say)
  bool fileHeader = true;  // false: the bytes of a resource inside a module
};

// The pixel at column x of stored row r: 24-bit pixels are bytes 0, 1, 2 of the value (blue,
// green, red); 32-bit pixels the whole value, little-endian.
using PixelAt = std::function<uint32_t(uint32_t x, uint32_t r)>;

// A bitmap of that shape; gap bytes hold a counting pattern, row padding 0xA5.
std::vector<uint8_t> buildBmp(const BmpShape& shape, const PixelAt& pixel);

// Pixels whose channels vary and are mostly loud enough for the default level.
uint32_t noisyPixel(uint32_t x, uint32_t r);
// Grey pixels: equal channels in every 24-bit pixel (and under the default masks).
uint32_t greyPixel(uint32_t x, uint32_t r);

}  // namespace murl::test
