#include "support/raster_builder.h"

#include "platform/byte_order.h"

namespace murl::test {

std::vector<uint8_t> rawPcx(uint32_t width, uint32_t height, const PixelAt& pixel,
                            uint8_t padding) {
  const uint32_t perLine = (width + 1) & ~1u;
  std::vector<uint8_t> out(128, 0);
  out[0] = 10;
  out[1] = 5;
  out[3] = 8;
  storeLe16(&out[8], static_cast<uint16_t>(width - 1));
  storeLe16(&out[10], static_cast<uint16_t>(height - 1));
  out[65] = 3;
  storeLe16(&out[66], static_cast<uint16_t>(perLine));
  for (uint32_t r = 0; r < height; ++r) {
    for (uint32_t p = 0; p < 3; ++p) {
      for (uint32_t x = 0; x < perLine; ++x) {
        out.push_back(x < width ? static_cast<uint8_t>(pixel(x, r) >> (8 * p)) : padding);
      }
    }
  }
  return out;
}

DecodedPcx decodePcx(const std::vector<uint8_t>& file) {
  DecodedPcx image;
  if (file.size() < 128) return image;
  image.width = loadLe16(&file[8]) - loadLe16(&file[4]) + 1;
  image.height = loadLe16(&file[10]) - loadLe16(&file[6]) + 1;
  image.bytesPerLine = loadLe16(&file[66]);
  const size_t lineBytes = 3 * image.bytesPerLine;
  size_t at = 128;
  for (size_t r = 0; r < image.height; ++r) {
    for (size_t made = 0; made < lineBytes;) {
      if (at >= file.size()) return image;
      size_t count = 1;
      if (file[2] == 1 && (file[at] & 0xC0) == 0xC0) {
        count = file[at++] & 0x3F;
        if (at >= file.size()) return image;
      }
      image.lines.insert(image.lines.end(), count, file[at++]);
      made += count;
    }
  }
  image.ok = image.lines.size() == image.height * lineBytes;
  image.end = at;
  return image;
}

std::vector<uint8_t> rawTga(uint32_t width, uint32_t height, uint8_t depth, const PixelAt& pixel,
                            uint8_t idLength, const std::vector<uint8_t>& tail) {
  std::vector<uint8_t> out(18, 0);
  out[0] = idLength;
  out[2] = depth == 8 ? 3 : 2;
  storeLe16(&out[12], static_cast<uint16_t>(width));
  storeLe16(&out[14], static_cast<uint16_t>(height));
  out[16] = depth;
  for (uint8_t i = 0; i < idLength; ++i) out.push_back(static_cast<uint8_t>(i * 3));
  for (uint32_t r = 0; r < height; ++r) {
    for (uint32_t x = 0; x < width; ++x) {
      for (uint32_t c = 0; c < depth / 8u; ++c) out.push_back(uint8_t(pixel(x, r) >> (8 * c)));
    }
  }
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

DecodedTga decodeTga(const std::vector<uint8_t>& file) {
  DecodedTga image;
  if (file.size() < 18) return image;
  image.width = loadLe16(&file[12]);
  image.height = loadLe16(&file[14]);
  image.pixelBytes = file[16] / 8;
  const size_t b = image.pixelBytes;
  const size_t bytes = image.width * image.height * b;
  size_t at = 18 + file[0];
  if (at > file.size()) return image;
  while (image.pixels.size() < bytes) {
    // A raw image reads as one raw packet of all its pixels.
    const bool coded = file[2] >= 9;
    if (coded && at >= file.size()) return image;
    const uint8_t head = coded ? file[at++] : 0;
    const size_t count = coded ? (head & 0x7F) + 1u : bytes / b;
    const size_t data = head & 0x80 ? b : count * b;
    if (file.size() - at < data) return image;
    for (size_t i = 0; i < count; ++i) {
      const size_t from = head & 0x80 ? at : at + i * b;
      image.pixels.insert(image.pixels.end(), file.begin() + from, file.begin() + from + b);
    }
    at += data;
  }
  image.pixels.resize(bytes);  // a packet may run past the last row
  image.ok = true;
  image.end = at;
  return image;
}

}  // namespace murl::test
