#pragma once
// The fixed start of a PNG file (signature and IHDR chunk), the acceptance rules for carriers, and
// the geometry of the filtered stream: scanlines of the whole image, or of the seven Adam7 passes.
// Every multi-byte field of the format is big-endian.
#include <array>
#include <cstdint>
#include <span>

namespace murl::png {

constexpr std::array<uint8_t, 8> kSignature{137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kChunkHeaderSize = 8;  // length, type
constexpr size_t kChunkCrcSize = 4;
constexpr size_t kIhdrChunkSize = 25;  // header, 13 data bytes, CRC
constexpr size_t kHeadSize = kSignature.size() + kIhdrChunkSize;
constexpr size_t kInterlaceByte = kSignature.size() + kChunkHeaderSize + 12;
constexpr uint32_t kMaxRowBytes = 0x400000;
constexpr uint32_t kPassCount = 7;

// Which samples a pixel holds, from colour type bits 1 (colour) and 2 (alpha).
enum class Layout : uint8_t { kGrey = 0, kGreyAlpha = 1, kColour = 2, kColourAlpha = 3 };

// The IHDR fields a carrier needs, and what follows from them.
struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;  // 8 or 16
  uint8_t colourType = 0;
  bool interlaced = false;  // Adam7 in the source
  Layout layout = Layout::kGrey;
  uint32_t bytesPerPixel = 0;  // 1 to 8
  uint32_t rowBytes = 0;       // width * bytesPerPixel, at most kMaxRowBytes

  uint32_t samplesPerPixel() const;
  // Grey or red, green, blue: the samples that carry bits.
  uint32_t unitsPerPixel() const { return layout >= Layout::kColour ? 3 : 1; }
  uint64_t units() const { return uint64_t{width} * height * unitsPerPixel(); }
  uint64_t imageSize() const { return uint64_t{height} * rowBytes; }
};

// One run of scanlines in the filtered stream: the whole image, or one Adam7 pass. Pixel k of row
// j is the image's pixel (rowStart + j * rowStep, columnStart + k * columnStep).
struct PassGeometry {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t rowStart = 0;
  uint32_t rowStep = 1;
  uint32_t columnStart = 0;
  uint32_t columnStep = 1;

  bool empty() const { return width == 0 || height == 0; }
};

// The passes of an image in stream order: one for a linear image, seven for Adam7. Passes of
// zero width or height are listed and have no scanlines.
struct PassList {
  std::array<PassGeometry, kPassCount> passes{};
  uint32_t count = 0;

  const PassGeometry* begin() const { return passes.data(); }
  const PassGeometry* end() const { return passes.data() + count; }
};
PassList passesOf(uint32_t width, uint32_t height, bool interlaced);

// Bytes of the filtered stream: a filter-type byte and the pass row's bytes for every scanline
// of every pass that has any. An Adam7 image narrower than 5 pixels has passes of zero width
// and so no scanlines for them, as every PNG reader expects.
uint64_t streamSize(const PngHeader& header, bool interlaced);
// The most bytes one scanline of the stream holds, filter-type byte included.
uint32_t widestScanline(const PngHeader& header, bool interlaced);

// Reads the IHDR fields from the first kHeadSize bytes of a file. False, with the header
// untouched, when it is no carrier: a signature or first chunk other than PNG's own, a palette
// or any colour type PNG does not define, a depth other than 8 or 16, an unknown compression,
// filter or interlace method, an empty image, rows above 4 MiB, or a stream of more than 32 bits
// in the source's layout or, when `writesInterlaced`, in Adam7.
bool parseHeader(std::span<const uint8_t, kHeadSize> head, bool writesInterlaced,
                 PngHeader& header);

// The CRC PNG stores after a chunk: over its 4 type bytes and its data.
uint32_t chunkCrc(const uint8_t* type, std::span<const uint8_t> data);

inline bool isChunkType(const uint8_t* chunkHeader, const char (&type)[5]) {
  return chunkHeader[4] == type[0] && chunkHeader[5] == type[1] && chunkHeader[6] == type[2] &&
         chunkHeader[7] == type[3];
}

}  // namespace murl::png
