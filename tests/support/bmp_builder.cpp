#include "support/bmp_builder.h"

#include "platform/byte_order.h"

namespace murl::test {

std::vector<uint8_t> buildBmp(const BmpShape& shape, const PixelAt& pixel) {
  const size_t info = shape.fileHeader ? 14 : 0;
  const bool masksAfterHeader = shape.headerSize == 40 && shape.compression == 3;
  const size_t start = info + shape.headerSize + (masksAfterHeader ? 12 : 0) + shape.gapBytes;
  const uint32_t columns = shape.width < 0 ? 0 : static_cast<uint32_t>(shape.width);
  const size_t pixelBytes = shape.bitCount / 8;
  const size_t stride = (pixelBytes * columns + 3) & ~size_t{3};
  const uint32_t rows =
      static_cast<uint32_t>(shape.height < 0 ? -int64_t{shape.height} : shape.height);
  std::vector<uint8_t> out(start + stride * rows, 0xA5);
  std::fill_n(out.begin(), start, 0);
  uint8_t* header = out.data() + info;
  if (shape.fileHeader) {
    out[0] = 'B';
    out[1] = 'M';
    storeLe32(out.data() + 2, static_cast<uint32_t>(out.size()));
    storeLe32(out.data() + 10, static_cast<uint32_t>(start));
  }
  storeLe32(header, shape.headerSize);
  if (shape.headerSize == 12) {
    storeLe16(header + 4, static_cast<uint16_t>(shape.width));
    storeLe16(header + 6, static_cast<uint16_t>(shape.height));
    storeLe16(header + 8, shape.planes);
    storeLe16(header + 10, shape.bitCount);
  } else if (shape.headerSize >= 40) {
    storeLe32(header + 4, static_cast<uint32_t>(shape.width));
    storeLe32(header + 8, static_cast<uint32_t>(shape.height));
    storeLe16(header + 12, shape.planes);
    storeLe16(header + 14, shape.bitCount);
    storeLe32(header + 16, shape.compression);
    storeLe32(header + 20, static_cast<uint32_t>(stride * rows));
  }
  if (masksAfterHeader || shape.headerSize >= 108) {
    for (size_t c = 0; c < 3; ++c) storeLe32(header + 40 + 4 * c, shape.masks[c]);
  }
  for (size_t i = 0; i < shape.gapBytes; ++i) out[start - shape.gapBytes + i] = uint8_t(i);
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t x = 0; x < columns; ++x) {
      const uint32_t v = pixel(x, r);
      for (size_t b = 0; b < pixelBytes && b < 4; ++b)
        out[start + r * stride + x * pixelBytes + b] = static_cast<uint8_t>(v >> (8 * b));
    }
  }
  return out;
}

uint32_t noisyPixel(uint32_t x, uint32_t r) {
  uint32_t h = (x * 2654435761u) ^ (r * 40503u + 0x9E3779B9u);
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  return h ^ (h >> 16);
}

uint32_t greyPixel(uint32_t x, uint32_t r) {
  const uint32_t v = (x * 7 + r * 13) & 0xFF;
  return v | (v << 8) | (v << 16);
}

}  // namespace murl::test
