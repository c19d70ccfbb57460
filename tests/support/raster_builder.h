#pragma once
// Small PCX and TGA images for the carrier tests, built byte by byte so every header field can be
// bent, and plain decoders of the tests' own to read targets back. The builders code runs within
// one plane line (PCX) or one row (TGA), as most writers do; the decoders also take runs that
// cross them.
#include <cstdint>
#include <vector>

#include "support/bmp_builder.h"

namespace murl::test {

// Pixels in runs of seven, so coded images hold runs and raw stretches alike.
uint32_t blockyPixel(uint32_t x, uint32_t r);

struct PcxShape {
  uint32_t width = 32;
  uint32_t height = 24;
  bool coded = true;
  uint8_t manufacturer = 10;
  uint8_t version = 5;
  uint8_t bitsPerPixel = 8;
  uint8_t planes = 3;
  int32_t bytesPerLine = -1;  // -1: the width rounded up to even
  uint16_t xMin = 0;          // Xmax = xMin + width - 1
  uint16_t yMin = 0;
  uint8_t padding = 0xA5;  // the odd width's padding byte of each plane line
  uint32_t tailBytes = 0;  // a counting pattern after the last scanline
};

// Plane p of the pixel at column x of scanline r is byte p of pixel(x, r).
std::vector<uint8_t> buildPcx(const PcxShape& shape, const PixelAt& pixel);
size_t pcxBytesPerLine(const PcxShape& shape);

// The scanlines of a 3-plane PCX file, three plane lines each, and where they end in the file.
struct DecodedPcx {
  bool ok = false;
  size_t width = 0;
  size_t height = 0;
  size_t bytesPerLine = 0;
  std::vector<uint8_t> lines;
  size_t end = 0;
};
DecodedPcx decodePcx(const std::vector<uint8_t>& file);

struct TgaShape {
  uint32_t width = 32;
  uint32_t height = 24;
  uint8_t type = 2;
  uint8_t depth = 24;
  uint8_t idLength = 0;  // the ID holds a counting pattern
  uint8_t colourMapType = 0;
  uint16_t mapLength = 0;
  uint8_t mapEntryBits = 0;  // map bytes are written between the ID and the pixels
  uint8_t descriptor = 0;
  std::vector<uint8_t> tail;  // after the pixel data
};

// A true-colour pixel is bytes 0 to depth/8 - 1 of pixel(x, r); a grey one its byte 0.
std::vector<uint8_t> buildTga(const TgaShape& shape, const PixelAt& pixel);
size_t tgaPixelStart(const TgaShape& shape);

// The pixels of a TGA file of type 2, 3, 10 or 11, row after row, and where they end.
struct DecodedTga {
  bool ok = false;
  size_t width = 0;
  size_t height = 0;
  size_t pixelBytes = 0;
  std::vector<uint8_t> pixels;
  size_t end = 0;
};
DecodedTga decodeTga(const std::vector<uint8_t>& file);

}  // namespace murl::test
