#include "carriers/pcx/pcx_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "carriers/common/unit_groups.h"
#include "platform/byte_order.h"

namespace murl::pcx {
namespace {

constexpr uint8_t kCountMark = 0xC0;
constexpr uint8_t kMaxRun = 63;
constexpr uint32_t kMaxEvenWidth = 0xFFFF;
constexpr uint64_t kMaxCodedLine = 0x400000;
constexpr uint64_t kLaneLow = 0x0101010101010101;
constexpr uint64_t kLaneHigh = 0x8080808080808080;

// How many of the eight bytes of a little-endian word come before the first that `marks` (the
// top bit of each byte) flags: 8 when it flags none.
uint32_t bytesBefore(uint64_t marks) {
  return marks == 0 ? 8 : static_cast<uint32_t>(std::countr_zero(marks)) / 8;
}
// The first zero byte is flagged exactly; those after it may be flagged falsely.
uint64_t zeroBytes(uint64_t word) { return (word - kLaneLow) & ~word & kLaneHigh; }

}  // namespace

bool parsePcx(std::span<const uint8_t, kHeaderSize> header, PcxLayout& layout) {
  layout = PcxLayout{};
  if (header[0] != 10 || header[1] > 5 || header[kEncodingByte] > 1 || header[3] != 8 ||
      header[65] != kPlanes) {
    return false;
  }
  // A window whose maximum is below its minimum wraps to an impossible size.
  layout.width = uint32_t{loadLe16(&header[8])} - loadLe16(&header[4]) + 1;
  layout.height = uint32_t{loadLe16(&header[10])} - loadLe16(&header[6]) + 1;
  const uint64_t evenWidth = (uint64_t{layout.width} + 1) & ~uint64_t{1};
  layout.bytesPerLine = loadLe16(&header[66]);
  layout.coded = header[kEncodingByte] == 1;
  return evenWidth <= kMaxEvenWidth && layout.bytesPerLine == evenWidth &&
         uint64_t{kCodedLineFactor} * layout.lineBytes() <= kMaxCodedLine;
}

bool linesFit(const PcxLayout& layout, uint64_t fileSize) {
  // A run of at most 63 bytes takes two bytes of code and never crosses a scanline.
  const uint64_t lineBytes = layout.lineBytes();
  const uint64_t perLine = layout.coded ? (2 * lineBytes + kMaxRun - 1) / kMaxRun : lineBytes;
  return fileSize >= kHeaderSize && layout.height * perLine <= fileSize - kHeaderSize;
}

bool decodeScanline(ReadWindow& in, uint8_t* line, uint32_t lineBytes) {
  const size_t most = size_t{kCodedLineFactor} * lineBytes;
  in.fill(most);
  const size_t available = std::min(most, in.ready());
  const uint8_t* codes = in.data();
  size_t used = 0;
  uint32_t made = 0;
  // While eight bytes of room and a whole code are sure, without a branch on the kind of code:
  // whether a byte is a count is as random as the image.
  while (lineBytes - made >= 8 && available - used >= 2) {
    const uint8_t code = codes[used];
    const uint32_t isCount = (code & kCountMark) == kCountMark;
    const uint8_t value = codes[used + isCount];
    const uint32_t countMask = 0u - isCount;  // all ones for a count
    const uint32_t count = (code & kMaxRun & countMask) | (1u & ~countMask);
    if (count > 8) {
      if (count > lineBytes - made) return false;
      std::memset(line + made, value, count);
    } else {
      storeLe64(line + made, value * kLaneLow);
    }
    made += count;
    used += 1 + isCount;
  }
  while (made < lineBytes) {
    if (used == available) return false;
    const uint8_t code = codes[used++];
    if ((code & kCountMark) != kCountMark) {
      line[made++] = code;
      continue;
    }
    if (used == available) return false;
    const uint32_t count = code & kMaxRun;
    if (count > lineBytes - made) return false;
    std::memset(line + made, codes[used++], count);
    made += count;
  }
  in.consume(used);
  return true;
}

size_t encodeScanline(const uint8_t* line, uint32_t lineBytes, uint8_t* out) {
  uint8_t* at = out;
  for (uint32_t i = 0; i < lineBytes;) {
    // Bytes that differ from the one after them are codes of their own, up to eight at a time.
    if (lineBytes - i > 8) {
      const uint32_t alone = bytesBefore(zeroBytes(loadLe64(line + i) ^ loadLe64(line + i + 1)));
      for (uint32_t k = 0; k < alone; ++k) {
        const uint8_t value = line[i + k];
        *at = kCountMark | 1;
        at += value >= kCountMark;
        *at++ = value;
      }
      i += alone;
      if (alone != 0) continue;
    }
    const uint8_t value = line[i];
    const uint32_t most = std::min<uint32_t>(kMaxRun, lineBytes - i);
    uint32_t run = 1;
    while (run < most && line[i + run] == value) ++run;
    if (run > 1 || value >= kCountMark) *at++ = static_cast<uint8_t>(kCountMark | run);
    *at++ = value;
    i += run;
  }
  return static_cast<size_t>(at - out);
}

bool lineIsGrey(const PcxLayout& layout, const uint8_t* line) {
  const uint32_t stride = layout.bytesPerLine;
  return std::equal(line, line + layout.width, line + stride) &&
         std::equal(line, line + layout.width, line + 2 * stride);
}

}  // namespace murl::pcx
