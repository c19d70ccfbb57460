#include "support/raster_builder.h"

#include <algorithm>

namespace murl::test {
namespace {

void putLe16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
uint32_t le16(const std::vector<uint8_t>& in, size_t at) { return in[at] | (in[at + 1] << 8); }

void appendPcxCodes(std::vector<uint8_t>& out, const uint8_t* line, size_t length) {
  for (size_t i = 0; i < length;) {
    size_t run = 1;
    while (i + run < length && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(line[i]);
    i += run;
  }
}

// Packets within one row: runs of two or more equal pixels, raw stretches between them.
void appendTgaPackets(std::vector<uint8_t>& out, const uint8_t* row, size_t width, size_t b) {
  auto same = [&](size_t i, size_t j) {
    return std::equal(row + i * b, row + i * b + b, row + j * b);
  };
  for (size_t i = 0; i < width;) {
    size_t run = 1;
    while (i + run < width && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), row + i * b, row + i * b + b);
      i += run;
      continue;
    }
    size_t end = i + 1;
    while (end < width && end - i < 128 && !(end + 1 < width && same(end, end + 1))) ++end;
    out.push_back(static_cast<uint8_t>(end - i - 1));
    out.insert(out.end(), row + i * b, row + end * b);
    i = end;
  }
}

}  // namespace

uint32_t blockyPixel(uint32_t x, uint32_t r) { return noisyPixel(x / 7, r); }

size_t pcxBytesPerLine(const PcxShape& shape) {
  return shape.bytesPerLine >= 0 ? static_cast<size_t>(shape.bytesPerLine)
                                 : (size_t{shape.width} + 1) & ~size_t{1};
}

std::vector<uint8_t> buildPcx(const PcxShape& s, const PixelAt& pixel) {
  std::vector<uint8_t> out(128, 0);
  out[0] = s.manufacturer;
  out[1] = s.version;
  out[2] = s.coded ? 1 : 0;
  out[3] = s.bitsPerPixel;
  putLe16(out, 4, s.xMin);
  putLe16(out, 6, s.yMin);
  putLe16(out, 8, s.xMin + s.width - 1);
  putLe16(out, 10, s.yMin + s.height - 1);
  out[65] = s.planes;
  const size_t perLine = pcxBytesPerLine(s);
  putLe16(out, 66, static_cast<uint32_t>(perLine));
  std::vector<uint8_t> line(3 * perLine);
  for (uint32_t r = 0; r < s.height; ++r) {
    std::fill(line.begin(), line.end(), s.padding);
    for (uint32_t p = 0; p < 3; ++p) {
      for (uint32_t x = 0; x < s.width && x < perLine; ++x) {
        line[p * perLine + x] = static_cast<uint8_t>(pixel(x, r) >> (8 * p));
      }
      if (s.coded) appendPcxCodes(out, &line[p * perLine], perLine);
    }
    if (!s.coded) out.insert(out.end(), line.begin(), line.end());
  }
  for (uint32_t i = 0; i < s.tailBytes; ++i) out.push_back(static_cast<uint8_t>(i * 7 + 1));
  return out;
}

DecodedPcx decodePcx(const std::vector<uint8_t>& file) {
  DecodedPcx image;
  if (file.size() < 128) return image;
  image.width = le16(file, 8) - le16(file, 4) + 1;
  image.height = le16(file, 10) - le16(file, 6) + 1;
  image.bytesPerLine = le16(file, 66);
  const size_t height = image.height;
  const size_t lineBytes = 3 * image.bytesPerLine;
  size_t at = 128;
  for (size_t r = 0; r < height; ++r) {
    if (file[2] == 0) {
      if (file.size() - at < lineBytes) return image;
      image.lines.insert(image.lines.end(), file.begin() + at, file.begin() + at + lineBytes);
      at += lineBytes;
      continue;
    }
    for (size_t made = 0; made < lineBytes;) {
      if (at >= file.size()) return image;
      size_t count = 1;
      if ((file[at] & 0xC0) == 0xC0) {
        count = file[at++] & 0x3F;
        if (at >= file.size()) return image;
      }
      image.lines.insert(image.lines.end(), count, file[at++]);
      made += count;
    }
  }
  image.ok = image.lines.size() == height * lineBytes;
  image.end = at;
  return image;
}

size_t tgaPixelStart(const TgaShape& s) {
  return 18 + s.idLength + size_t{s.mapLength} * ((s.mapEntryBits + 7) / 8);
}

std::vector<uint8_t> buildTga(const TgaShape& s, const PixelAt& pixel) {
  std::vector<uint8_t> out(18, 0);
  out[0] = s.idLength;
  out[1] = s.colourMapType;
  out[2] = s.type;
  putLe16(out, 5, s.mapLength);
  out[7] = s.mapEntryBits;
  putLe16(out, 12, s.width);
  putLe16(out, 14, s.height);
  out[16] = s.depth;
  out[17] = s.descriptor;
  for (size_t i = 18; i < tgaPixelStart(s); ++i) out.push_back(static_cast<uint8_t>(i * 3));
  const size_t b = s.depth / 8;
  std::vector<uint8_t> row(s.width * b);
  for (uint32_t r = 0; r < s.height; ++r) {
    for (uint32_t x = 0; x < s.width; ++x) {
      for (size_t c = 0; c < b; ++c) row[x * b + c] = static_cast<uint8_t>(pixel(x, r) >> (8 * c));
    }
    if (s.type >= 9) {
      appendTgaPackets(out, row.data(), s.width, b);
    } else {
      out.insert(out.end(), row.begin(), row.end());
    }
  }
  out.insert(out.end(), s.tail.begin(), s.tail.end());
  return out;
}

DecodedTga decodeTga(const std::vector<uint8_t>& file) {
  DecodedTga image;
  if (file.size() < 18) return image;
  image.width = le16(file, 12);
  image.height = le16(file, 14);
  image.pixelBytes = file[16] / 8;
  const size_t b = image.pixelBytes;
  const size_t bytes = image.width * image.height * b;
  size_t at = 18 + file[0];
  if (file[2] < 9) {
    if (file.size() - at < bytes) return image;
    image.pixels.assign(file.begin() + at, file.begin() + at + bytes);
    at += bytes;
  }
  while (image.pixels.size() < bytes) {
    if (at >= file.size()) return image;
    const uint8_t head = file[at++];
    const size_t count = (head & 0x7F) + 1;
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
