#pragma once
// The layout of a 24-bit PCX image (three planes of 8 bits) and its scanline run-length code.
#include <cstddef>
#include <cstdint>
#include <span>

#include "carriers/common/byte_window.h"

namespace murl::pcx {

constexpr size_t kHeaderSize = 128;
constexpr size_t kEncodingByte = 2;
constexpr uint32_t kPlanes = 3;
// A scanline's code may take twice its decoded length (lone bytes of 0xC0 and above).
constexpr uint32_t kCodedLineFactor = 2;

struct PcxLayout {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bytesPerLine = 0;  // one plane line: the width rounded up to even
  bool coded = false;         // encoding 1: scanlines are run-length coded

  // Three plane lines, plane 0 first.
  uint32_t lineBytes() const { return kPlanes * bytesPerLine; }
  uint64_t pixelCount() const { return uint64_t{width} * height; }
};

// Checks the 128-byte header: manufacturer 10, version at most 5, encoding 0 or 1, 8 bits per
// pixel, 3 planes, bytes per line equal to the width rounded up to even and below 0x10000. False
// when it is not a carrier. Rows that run out are found while reading them.
bool parsePcx(std::span<const uint8_t, kHeaderSize> header, PcxLayout& layout);

// Whether a file of `fileSize` bytes can hold the scanlines the header declares, at the densest
// coding; when not, no scanline need be read to know the image is no carrier.
bool linesFit(const PcxLayout& layout, uint64_t fileSize);

// Decodes one scanline of `lineBytes` bytes into `line`, from codes that start at the window's
// position and take at most twice that many bytes; consumes exactly the codes used. False when
// the codes run out first or a run crosses the end of the scanline.
bool decodeScanline(ReadWindow& in, uint8_t* line, uint32_t lineBytes);

// Codes a scanline into `out` (room for twice `lineBytes`): runs of 2 to 63 equal bytes as a
// count byte 0xC0 + n and the byte; other bytes as themselves, those of 0xC0 and above behind a
// count of one. Returns the coded length.
size_t encodeScanline(const uint8_t* line, uint32_t lineBytes, uint8_t* out);

// Whether every pixel of a decoded scanline has equal plane bytes.
bool lineIsGrey(const PcxLayout& layout, const uint8_t* line);

}  // namespace murl::pcx
