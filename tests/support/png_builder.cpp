#include "support/png_builder.h"

#include <zlib.h>

namespace murl::test {
namespace {

// Adam7 as the PNG standard draws it: the pass of each pixel of an 8 x 8 tile.
constexpr uint8_t kAdam7Tile[8][8] = {
    {1, 6, 4, 6, 2, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7}, {5, 6, 5, 6, 5, 6, 5, 6},
    {7, 7, 7, 7, 7, 7, 7, 7}, {3, 6, 4, 6, 3, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7},
    {5, 6, 5, 6, 5, 6, 5, 6}, {7, 7, 7, 7, 7, 7, 7, 7},
};

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

}  // namespace

uint16_t noisySample(uint32_t x, uint32_t y, uint32_t channel) {
  uint32_t v = (x * 7919u) ^ (y * 104729u) ^ (channel * 2654435761u);
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  return static_cast<uint16_t>(v ^ (v >> 15));
}

uint32_t pngChannels(uint8_t colourType) {
  switch (colourType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

uint32_t pngBytesPerPixel(const PngShape& shape) {
  return pngChannels(shape.colourType) * (shape.bitDepth == 16 ? 2 : 1);
}

std::vector<uint8_t> pngPixels(const PngShape& shape, const SampleAt& sample) {
  std::vector<uint8_t> pixels;
  const uint16_t keep = shape.bitDepth == 16 ? 0xFFFF : 0xFF;
  for (uint32_t y = 0; y < shape.height; ++y) {
    for (uint32_t x = 0; x < shape.width; ++x) {
      for (uint32_t c = 0; c < pngChannels(shape.colourType); ++c) {
        const uint16_t v = sample(x, y, c) & keep;
        if (shape.bitDepth == 16) pixels.push_back(static_cast<uint8_t>(v >> 8));
        pixels.push_back(static_cast<uint8_t>(v));
      }
    }
  }
  return pixels;
}

std::vector<uint8_t> pngScanlines(const PngShape& shape, const std::vector<uint8_t>& pixels) {
  const size_t bpp = pngBytesPerPixel(shape);
  std::vector<uint8_t> out;
  if (shape.interlace == 0) {
    for (uint32_t y = 0; y < shape.height; ++y) {
      out.push_back(0);
      const auto row = pixels.begin() + static_cast<ptrdiff_t>(y * shape.width * bpp);
      out.insert(out.end(), row, row + static_cast<ptrdiff_t>(shape.width * bpp));
    }
    return out;
  }
  for (uint8_t pass = 1; pass <= 7; ++pass) {
    for (uint32_t y = 0; y < shape.height; ++y) {
      std::vector<uint8_t> line;
      for (uint32_t x = 0; x < shape.width; ++x) {
        if (kAdam7Tile[y % 8][x % 8] != pass) continue;
        const auto at = pixels.begin() + static_cast<ptrdiff_t>((y * shape.width + x) * bpp);
        line.insert(line.end(), at, at + static_cast<ptrdiff_t>(bpp));
      }
      if (line.empty()) continue;
      out.push_back(0);
      out.insert(out.end(), line.begin(), line.end());
    }
  }
  return out;
}

std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()));
  out.resize(size);
  return out;
}

std::vector<uint8_t> zlibInflate(const std::vector<uint8_t>& zlibData) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return {};
  std::vector<uint8_t> out;
  uint8_t piece[16384];
  zs.next_in = const_cast<Bytef*>(zlibData.data());
  zs.avail_in = static_cast<uInt>(zlibData.size());
  int result = Z_OK;
  while (result == Z_OK) {
    zs.next_out = piece;
    zs.avail_out = sizeof piece;
    result = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), piece, piece + (sizeof piece - zs.avail_out));
  }
  inflateEnd(&zs);
  return result == Z_STREAM_END ? out : std::vector<uint8_t>{};
}

std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  putBe32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + 4, static_cast<uInt>(out.size() - 4));
  putBe32(out, static_cast<uint32_t>(crc));
  return out;
}

std::vector<uint8_t> buildPng(const PngShape& shape, const std::vector<uint8_t>& zlibData) {
  std::vector<uint8_t> out{137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<uint8_t> ihdr;
  putBe32(ihdr, shape.width);
  putBe32(ihdr, shape.height);
  ihdr.insert(ihdr.end(), {shape.bitDepth, shape.colourType, shape.compression, shape.filterMethod,
                           shape.interlace});
  const auto append = [&out](const std::vector<uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
  };
  append(pngChunk("IHDR", ihdr));
  for (const auto& chunk : shape.chunksBefore) append(chunk);
  size_t at = 0;
  for (size_t length : shape.idatSplit) {
    append(pngChunk("IDAT", {zlibData.begin() + static_cast<ptrdiff_t>(at),
                             zlibData.begin() + static_cast<ptrdiff_t>(at + length)}));
    at += length;
  }
  append(pngChunk("IDAT", {zlibData.begin() + static_cast<ptrdiff_t>(at), zlibData.end()}));
  for (const auto& chunk : shape.chunksAfter) append(chunk);
  append(pngChunk("IEND", {}));
  append(shape.tail);
  return out;
}

std::vector<uint8_t> buildPng(const PngShape& shape, const SampleAt& sample) {
  return buildPng(shape, zlibCompress(pngScanlines(shape, pngPixels(shape, sample))));
}

std::vector<PngChunkView> pngChunks(const std::vector<uint8_t>& file, size_t* end) {
  std::vector<PngChunkView> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const uint32_t length = be32(file, at);
    if (at + 12 + length > file.size()) break;
    PngChunkView chunk;
    chunk.type.assign(file.begin() + static_cast<ptrdiff_t>(at + 4),
                      file.begin() + static_cast<ptrdiff_t>(at + 8));
    chunk.data.assign(file.begin() + static_cast<ptrdiff_t>(at + 8),
                      file.begin() + static_cast<ptrdiff_t>(at + 8 + length));
    chunk.offset = at;
    const uLong crc = crc32(0, file.data() + at + 4, length + 4);
    chunk.crcMatches = crc == be32(file, at + 8 + length);
    chunks.push_back(std::move(chunk));
    at += 12 + length;
    if (chunks.back().type == "IEND") break;
  }
  if (end) *end = at;
  return chunks;
}

std::vector<uint8_t> pngImageData(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> data;
  for (const PngChunkView& chunk : pngChunks(file)) {
    if (chunk.type == "IDAT") data.insert(data.end(), chunk.data.begin(), chunk.data.end());
  }
  return data;
}

}  // namespace murl::test
