#include "support/bmp_builder.h"

namespace murl::test {
namespace {

void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  put16(out, at, v);
  put16(out, at + 2, v >> 16);
}

size_t maskBytes(const BmpSpec& spec) {
  return spec.headerSize == 40 && spec.compression == 3 ? 12 : 0;
}

}  // namespace

size_t bmpRowStride(const BmpSpec& spec) {
  return ((spec.bitCount / 8) * static_cast<size_t>(spec.width < 0 ? 0 : spec.width) + 3) & ~3u;
}

size_t bmpPixelStart(const BmpSpec& spec) {
  return (spec.fileHeader ? 14 : 0) + spec.headerSize + maskBytes(spec) + spec.gapBytes;
}

std::vector<uint8_t> buildBmp(const BmpSpec& spec, const PixelAt& pixel) {
  const size_t info = spec.fileHeader ? 14 : 0;
  const size_t start = bmpPixelStart(spec);
  const size_t stride = bmpRowStride(spec);
  const uint32_t rows =
      static_cast<uint32_t>(spec.height < 0 ? -int64_t{spec.height} : spec.height);
  std::vector<uint8_t> out(start + stride * rows + spec.tailBytes, 0);
  if (spec.fileHeader) {
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<uint32_t>(out.size()));
    put32(out, 10, static_cast<uint32_t>(start));
  }
  put32(out, info, spec.headerSize);
  if (spec.headerSize == 12) {
    put16(out, info + 4, static_cast<uint32_t>(spec.width));
    put16(out, info + 6, static_cast<uint32_t>(spec.height));
    put16(out, info + 8, spec.planes);
    put16(out, info + 10, spec.bitCount);
  } else if (spec.headerSize >= 40) {
    put32(out, info + 4, static_cast<uint32_t>(spec.width));
    put32(out, info + 8, static_cast<uint32_t>(spec.height));
    put16(out, info + 12, spec.planes);
    put16(out, info + 14, spec.bitCount);
    put32(out, info + 16, spec.compression);
    put32(out, info + 20, static_cast<uint32_t>(stride * rows));
  }
  if (maskBytes(spec) != 0) {
    for (size_t c = 0; c < 3; ++c) put32(out, info + 40 + 4 * c, spec.masks[c]);
  } else if (spec.headerSize >= 108) {
    for (size_t c = 0; c < 3; ++c) put32(out, info + 40 + 4 * c, spec.masks[c]);
  }
  for (size_t i = 0; i < spec.gapBytes; ++i)
    out[start - spec.gapBytes + i] = static_cast<uint8_t>(i);
  const size_t bytesPerPixel = spec.bitCount / 8;
  const uint32_t columns = spec.width < 0 ? 0 : static_cast<uint32_t>(spec.width);
  for (uint32_t r = 0; r < rows; ++r) {
    uint8_t* row = out.data() + start + r * stride;
    for (uint32_t x = 0; x < columns; ++x) {
      const uint32_t v = pixel(x, r);
      for (size_t b = 0; b < bytesPerPixel && b < 4; ++b)
        row[x * bytesPerPixel + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    for (size_t p = bytesPerPixel * columns; p < stride; ++p) row[p] = spec.padding;
  }
  for (size_t i = 0; i < spec.tailBytes; ++i)
    out[out.size() - spec.tailBytes + i] = static_cast<uint8_t>(0x30 + i);
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
