#pragma once
// PNG files for the PNG carrier tests, chunk by chunk: an IHDR of chosen fields, chunks with
// their CRCs, image data cut into IDAT chunks of chosen sizes, and a reader of the chunks.
#include <cstdint>
#include <string>
#include <vector>

namespace murl::test {

// A chunk with its length and CRC.
std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data);

struct PngHead {
  uint32_t width = 32;
  uint32_t height = 24;
  uint8_t bitDepth = 8;
  uint8_t colourType = 2;
  uint8_t interlace = 0;
};
// The signature and the IHDR chunk.
std::vector<uint8_t> pngHead(const PngHead& head);

struct PngChunkView {
  std::string type;
  std::vector<uint8_t> data;
  size_t offset = 0;  // of its length field
  bool crcMatches = false;
};
// The chunks after the signature, up to and with IEND; `end` gets the offset just after IEND.
std::vector<PngChunkView> pngChunks(const std::vector<uint8_t>& file, size_t* end = nullptr);
// The data of every IDAT chunk, joined.
std::vector<uint8_t> pngImageData(const std::vector<uint8_t>& file);
// `file` with its IDAT chunks replaced by `data` in chunks of the given lengths, the last taking
// the rest; every other chunk and the bytes after IEND kept.
std::vector<uint8_t> withImageData(const std::vector<uint8_t>& file,
                                   const std::vector<uint8_t>& data,
                                   const std::vector<size_t>& lengths = {});

std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& bytes);

}  // namespace murl::test
