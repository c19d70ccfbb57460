#include "support/png_builder.h"

#include <zlib.h>

#include "platform/byte_order.h"

namespace murl::test {

std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  appendBe32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  appendBe32(out, static_cast<uint32_t>(crc32(0, out.data() + 4, uInt(out.size() - 4))));
  return out;
}

std::vector<uint8_t> pngHead(const PngHead& h) {
  std::vector<uint8_t> ihdr;
  appendBe32(ihdr, h.width);
  appendBe32(ihdr, h.height);
  ihdr.insert(ihdr.end(), {h.bitDepth, h.colourType, 0, 0, h.interlace});
  std::vector<uint8_t> out{137, 80, 78, 71, 13, 10, 26, 10};
  const auto chunk = pngChunk("IHDR", ihdr);
  out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

std::vector<PngChunkView> pngChunks(const std::vector<uint8_t>& file, size_t* end) {
  std::vector<PngChunkView> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const uint32_t length = loadBe32(&file[at]);
    if (at + 12 + length > file.size()) break;
    const auto from = file.begin() + static_cast<ptrdiff_t>(at);
    chunks.push_back({std::string(from + 4, from + 8),
                      {from + 8, from + 8 + length},
                      at,
                      crc32(0, &file[at + 4], length + 4) == loadBe32(&file[at + 8 + length])});
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

std::vector<uint8_t> withImageData(const std::vector<uint8_t>& file,
                                   const std::vector<uint8_t>& data,
                                   const std::vector<size_t>& lengths) {
  std::vector<uint8_t> out(file.begin(), file.begin() + 8);
  size_t end = 0;
  bool placed = false;
  for (const PngChunkView& chunk : pngChunks(file, &end)) {
    std::vector<uint8_t> bytes;
    if (chunk.type != "IDAT") {
      bytes = pngChunk(chunk.type, chunk.data);
    } else if (!placed) {
      placed = true;
      size_t at = 0;
      for (size_t length : lengths) {
        const auto piece = pngChunk("IDAT", {data.begin() + at, data.begin() + at + length});
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        at += length;
      }
      const auto last = pngChunk("IDAT", {data.begin() + static_cast<ptrdiff_t>(at), data.end()});
      bytes.insert(bytes.end(), last.begin(), last.end());
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(end), file.end());
  return out;
}

std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()));
  out.resize(size);
  return out;
}

}  // namespace murl::test
