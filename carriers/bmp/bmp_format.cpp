#include "carriers/bmp/bmp_format.h"

#include <bit>

#include "platform/byte_order.h"

namespace murl::bmp {
namespace {

uint16_t le16(std::span<const uint8_t> b, size_t at) { return loadLe16(b.data() + at); }
uint32_t le32(std::span<const uint8_t> b, size_t at) { return loadLe32(b.data() + at); }

// Reads the info header at `info` into width, height, bit count, compression and masks.
bool parseInfoHeader(std::span<const uint8_t> bytes, size_t info, BmpLayout& layout) {
  if (bytes.size() < info + 4) return false;
  layout.infoSize = le32(bytes, info);
  const uint32_t size = layout.infoSize;
  if (size != kCoreHeaderSize && size != kV3HeaderSize && size != kV4HeaderSize &&
      size != kV5HeaderSize) {
    return false;
  }
  if (bytes.size() < info + size) return false;
  int64_t width;
  uint16_t planes;
  if (size == kCoreHeaderSize) {
    width = le16(bytes, info + 4);
    layout.height = le16(bytes, info + 6);
    planes = le16(bytes, info + 8);
    layout.bitCount = le16(bytes, info + 10);
    if (layout.bitCount != 24) return false;
  } else {
    width = static_cast<int32_t>(le32(bytes, info + 4));
    // A top-down bitmap stores a negative height: with its top bit cleared it is far too tall
    // for its rows, which then run out.
    layout.height = le32(bytes, info + 8) & 0x7FFFFFFFu;
    planes = le16(bytes, info + 12);
    layout.bitCount = le16(bytes, info + 14);
    layout.compression = le32(bytes, info + 16);
    if (layout.bitCount != 24 && layout.bitCount != 32) return false;
    if (layout.compression != 0 && layout.compression != 3) return false;
  }
  if (planes != 1) return false;
  // The row-length rule alone would let a negative width through into the size products.
  if (width <= 0) return false;
  const int64_t rowBytes = int64_t{layout.bitCount / 8} * width;
  if (rowBytes > kMaxRowBytes) return false;
  layout.width = static_cast<uint32_t>(width);
  layout.rowBytes = static_cast<uint32_t>(rowBytes);
  layout.rowStride = (layout.rowBytes + 3) & ~3u;
  return true;
}

// Channel masks of a 32-bit bitmap with bit fields: after a version 3 header, in file order;
// inside version 4 and 5 headers, blue, green, red.
bool parseMasks(std::span<const uint8_t> bytes, size_t info, BmpLayout& layout) {
  if (layout.bitCount != 32 || layout.compression != 3) return true;
  if (layout.infoSize == kV3HeaderSize) {
    if (bytes.size() < info + kV3HeaderSize + 12) return false;
    for (size_t c = 0; c < 3; ++c) layout.masks[c] = le32(bytes, info + kV3HeaderSize + 4 * c);
  } else {
    layout.masks = {le32(bytes, info + 48), le32(bytes, info + 44), le32(bytes, info + 40)};
  }
  for (size_t c = 0; c < 3; ++c) {
    if (!isUsableMask(layout.masks[c])) return false;
    layout.shifts[c] = static_cast<uint8_t>(std::countr_zero(layout.masks[c]));
  }
  // Overlapping channels would let one channel's unit bit decide whether another qualifies.
  const auto& m = layout.masks;
  return (m[0] & m[1]) == 0 && (m[0] & m[2]) == 0 && (m[1] & m[2]) == 0;
}

}  // namespace

bool isUsableMask(uint32_t mask) {
  if (mask == 0) return false;
  const int low = std::countr_zero(mask);
  const uint32_t run = mask >> low;
  return low <= 28 && (run & (run + 1)) == 0 && std::popcount(run) >= 8;
}

bool parseBmp(std::span<const uint8_t> bytes, bool withFileHeader, uint64_t available,
              BmpLayout& layout) {
  layout = BmpLayout{};
  const size_t info = withFileHeader ? kFileHeaderSize : 0;
  if (withFileHeader && (bytes.size() < kFileHeaderSize || le16(bytes, 0) != 0x4D42)) {
    return false;
  }
  if (!parseInfoHeader(bytes, info, layout) || !parseMasks(bytes, info, layout)) return false;
  // Three mask words follow a version 3 header with bit fields. Only 32-bit pixels read them, so
  // in a file the rows of a 24-bit bitmap may start right after the header; inside a module the
  // rows keep their place after the mask words whatever the pixel size.
  const uint32_t maskBytes = layout.infoSize == kV3HeaderSize && layout.compression == 3 ? 12 : 0;
  layout.headersEnd = info + layout.infoSize + (layout.bitCount == 32 ? maskBytes : 0);
  layout.pixelStart = withFileHeader ? le32(bytes, 10) : info + layout.infoSize + maskBytes;
  // Rows written over the headers would change the size fields they are found by.
  if (layout.pixelStart < layout.headersEnd) return false;
  // Told by the header alone, before a row is read: no grey bitmap (the fewest units) of this
  // many pixels can be counted, and rows past the end of the file are not there.
  if (layout.pixelCount() >= kMaxUnits) return false;
  return layout.pixelStart <= available && layout.pixelBytes() <= available - layout.pixelStart;
}

bool bmpRowIsGrey(const BmpLayout& layout, const uint8_t* row) {
  if (layout.bitCount == 24) {
    for (uint32_t i = 0; i < layout.rowBytes; i += 3) {
      if (row[i] != row[i + 1] || row[i] != row[i + 2]) return false;
    }
    return true;
  }
  for (uint32_t i = 0; i < layout.rowBytes; i += 4) {
    const uint32_t px = loadLe32(row + i);
    const uint32_t c0 = (px & layout.masks[0]) >> layout.shifts[0];
    if (c0 != (px & layout.masks[1]) >> layout.shifts[1] ||
        c0 != (px & layout.masks[2]) >> layout.shifts[2]) {
      return false;
    }
  }
  return true;
}

}  // namespace murl::bmp
