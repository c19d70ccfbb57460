#include "support/bmp_builder.h"

#include "platform/byte_order.h"

namespace murl::test {
namespace {

size_t maskBytes(const BmpShape& shape) {
  return shape.headerSize == 40 && shape.compression == 3 ? 12 : 0;
}

}  // namespace

size_t bmpRowStride(const BmpShape& shape) {
  return ((shape.bitCount / 8) * static_cast<size_t>(shape.width < 0 ? 0 : shape.width) + 3) & ~3u;
}

size_t bmpPixelStart(const BmpShape& shape) {
  return (shape.fileHeader ? 14 : 0) + shape.headerSize + maskBytes(shape) + shape.gapBytes;
}

std::vector<uint8_t> buildBmp(const BmpShape& shape, const PixelAt& pixel) {
  const size_t info = shape.fileHeader ? 14 : 0;
  const size_t start = bmpPixelStart(shape);
  const size_t stride = bmpRowStride(shape);
  const uint32_t rows =
      static_cast<uint32_t>(shape.height < 0 ? -int64_t{shape.height} : shape.height);
  std::vector<uint8_t> out(start + stride * rows + shape.tailBytes, 0);
  if (shape.fileHeader) {
    out[0] = 'B';
    out[1] = 'M';
    storeLe32(out.data() + 2, static_cast<uint32_t>(out.size()));
    storeLe32(out.data() + 10, static_cast<uint32_t>(start));
  }
  storeLe32(out.data() + info, shape.headerSize);
  if (shape.headerSize == 12) {
    storeLe16(out.data() + info + 4, static_cast<uint16_t>(shape.width));
    storeLe16(out.data() + info + 6, static_cast<uint16_t>(shape.height));
    storeLe16(out.data() + info + 8, shape.planes);
    storeLe16(out.data() + info + 10, shape.bitCount);
  } else if (shape.headerSize >= 40) {
    storeLe32(out.data() + info + 4, static_cast<uint32_t>(shape.width));
    storeLe32(out.data() + info + 8, static_cast<uint32_t>(shape.height));
    storeLe16(out.data() + info + 12, shape.planes);
    storeLe16(out.data() + info + 14, shape.bitCount);
    storeLe32(out.data() + info + 16, shape.compression);
    storeLe32(out.data() + info + 20, static_cast<uint32_t>(stride * rows));
  }
  if (maskBytes(shape) != 0) {
    for (size_t c = 0; c < 3; ++c) storeLe32(out.data() + info + 40 + 4 * c, shape.masks[c]);
  } else if (shape.headerSize >= 108) {
    for (size_t c = 0; c < 3; ++c) storeLe32(out.data() + info + 40 + 4 * c, shape.masks[c]);
  }
  for (size_t i = 0; i < shape.gapBytes; ++i)
    out[start - shape.gapBytes + i] = static_cast<uint8_t>(i);
  const size_t bytesPerPixel = shape.bitCount / 8;
  const uint32_t columns = shape.width < 0 ? 0 : static_cast<uint32_t>(shape.width);
  for (uint32_t r = 0; r < rows; ++r) {
    uint8_t* row = out.data() + start + r * stride;
    for (uint32_t x = 0; x < columns; ++x) {
      const uint32_t v = pixel(x, r);
      for (size_t b = 0; b < bytesPerPixel && b < 4; ++b)
        row[x * bytesPerPixel + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    for (size_t p = bytesPerPixel * columns; p < stride; ++p) row[p] = shape.padding;
  }
  for (size_t i = 0; i < shape.tailBytes; ++i)
    out[out.size() - shape.tailBytes + i] = static_cast<uint8_t>(0x30 + i);
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
