#include "carriers/png/png_layout.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace murl::png {
namespace {

// Row start and step, column start and step of Adam7 passes 1 to 7.
constexpr uint32_t kAdam7[kPassCount][4] = {
    {0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
    {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1},
};

uint32_t stepsFrom(uint32_t size, uint32_t start, uint32_t step) {
  return size > start ? (size - start - 1) / step + 1 : 0;
}

}  // namespace

uint32_t PngHeader::samplesPerPixel() const {
  switch (layout) {
    case Layout::kGrey:
      return 1;
    case Layout::kGreyAlpha:
      return 2;
    case Layout::kColour:
      return 3;
    case Layout::kColourAlpha:
      return 4;
  }
  return 1;
}

PassList passesOf(uint32_t width, uint32_t height, bool interlaced) {
  PassList list;
  if (!interlaced) {
    list.passes[0] = {width, height, 0, 1, 0, 1};
    list.count = 1;
    return list;
  }
  for (uint32_t p = 0; p < kPassCount; ++p) {
    const auto [rowStart, rowStep, columnStart, columnStep] = kAdam7[p];
    list.passes[p] = {stepsFrom(width, columnStart, columnStep),
                      stepsFrom(height, rowStart, rowStep),
                      rowStart,
                      rowStep,
                      columnStart,
                      columnStep};
  }
  list.count = kPassCount;
  return list;
}

uint64_t streamSize(const PngHeader& header, bool interlaced) {
  uint64_t size = 0;
  for (const PassGeometry& pass : passesOf(header.width, header.height, interlaced)) {
    if (pass.empty()) continue;
    size += uint64_t{pass.height} * (1 + uint64_t{pass.width} * header.bytesPerPixel);
  }
  return size;
}

uint32_t widestScanline(const PngHeader& header, bool interlaced) {
  uint32_t widest = 0;
  for (const PassGeometry& pass : passesOf(header.width, header.height, interlaced)) {
    if (!pass.empty()) widest = std::max(widest, 1 + pass.width * header.bytesPerPixel);
  }
  return widest;
}

bool parseHeader(std::span<const uint8_t, kHeadSize> head, bool writesInterlaced,
                 PngHeader& header) {
  const uint8_t* chunk = head.data() + kSignature.size();
  if (!std::equal(kSignature.begin(), kSignature.end(), head.begin())) return false;
  if (loadBe32(chunk) != 13 || !isChunkType(chunk, "IHDR")) return false;
  const uint8_t* data = chunk + kChunkHeaderSize;
  PngHeader h;
  h.width = loadBe32(data);
  h.height = loadBe32(data + 4);
  h.bitDepth = data[8];
  h.colourType = data[9];
  const uint8_t interlace = data[12];
  // Bit 0 is the palette; 0, 2, 4 and 6 are the only types PNG defines without one.
  if (h.colourType > 6 || (h.colourType & 1) != 0) return false;
  if (h.bitDepth != 8 && h.bitDepth != 16) return false;
  if (data[10] != 0 || data[11] != 0 || interlace > 1) return false;
  if (h.width == 0 || h.height == 0) return false;
  h.interlaced = interlace == 1;
  h.layout = static_cast<Layout>(((h.colourType >> 1) & 1) << 1 | ((h.colourType >> 2) & 1));
  h.bytesPerPixel = h.samplesPerPixel() * h.bitDepth / 8;
  const uint64_t rowBytes = uint64_t{h.width} * h.bytesPerPixel;
  if (rowBytes > kMaxRowBytes) return false;
  h.rowBytes = static_cast<uint32_t>(rowBytes);
  if (h.imageSize() > 0xFFFFFFFFu || streamSize(h, false) > 0xFFFFFFFFu) return false;
  if ((h.interlaced || writesInterlaced) && streamSize(h, true) > 0xFFFFFFFFu) return false;
  header = h;
  return true;
}

uint32_t chunkCrc(const uint8_t* type, std::span<const uint8_t> data) {
  uLong crc = crc32(crc32(0L, Z_NULL, 0), type, 4);
  // Chunk data handled here is at most 4 MiB, well within one call.
  return static_cast<uint32_t>(crc32(crc, data.data(), static_cast<uInt>(data.size())));
}

}  // namespace murl::png
