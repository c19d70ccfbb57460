#include "carriers/pcx/pcx_codec.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace murl::pcx {
namespace {

constexpr uint8_t kCountMark = 0xC0;
constexpr uint8_t kMaxRun = 63;
constexpr uint32_t kMaxEvenWidth = 0xFFFF;
constexpr uint64_t kMaxCodedLine = 0x400000;

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

bool decodeScanline(ReadWindow& in, uint8_t* line, uint32_t lineBytes) {
  const size_t most = size_t{kCodedLineFactor} * lineBytes;
  in.fill(most);
  const size_t available = std::min(most, in.ready());
  const uint8_t* codes = in.data();
  size_t used = 0;
  uint32_t made = 0;
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
