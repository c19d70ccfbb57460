#pragma once
// Raw PCX and TGA images for the carrier tests, whose header fields tests may then bend, and
// plain decoders of the tests' own to read targets back; they take runs that cross plane lines
// and rows.
#include <cstdint>
#include <vector>

#include "support/bmp_builder.h"

namespace murl::test {

// A raw 24-bit PCX: plane p of the pixel at column x of scanline r is byte p of pixel(x, r);
// plane lines are the width rounded up to even, an odd width padded with `padding`.
std::vector<uint8_t> rawPcx(uint32_t width, uint32_t height, const PixelAt& pixel,
                            uint8_t padding = 0);

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

// A raw TGA of type 2 (24 or 32 bits) or 3 (8 bits): a true-colour pixel is bytes 0 to
// depth/8 - 1 of pixel(x, r), a grey one its byte 0. The image ID holds a counting pattern; `tail`
// follows the pixels.
std::vector<uint8_t> rawTga(uint32_t width, uint32_t height, uint8_t depth, const PixelAt& pixel,
                            uint8_t idLength = 0, const std::vector<uint8_t>& tail = {});

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
