#pragma once
// Small PNG files for the PNG carrier tests, built chunk by chunk so every field, every split of
// the image data and every chunk around it can be chosen. Scanlines are stored with filter type 0
// (a test's own Adam7 order when interlaced) and compressed with zlib's defaults.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace murl::test {

struct PngShape {
  uint32_t width = 32;
  uint32_t height = 24;
  uint8_t bitDepth = 8;
  uint8_t colourType = 2;
  uint8_t interlace = 0;
  uint8_t compression = 0;  // IHDR's compression and filter method bytes
  uint8_t filterMethod = 0;
  // Data lengths of the IDAT chunks but the last, which takes the rest; empty: one chunk.
  std::vector<size_t> idatSplit;
  std::vector<std::vector<uint8_t>> chunksBefore;  // whole chunks between IHDR and IDAT
  std::vector<std::vector<uint8_t>> chunksAfter;   // whole chunks between IDAT and IEND
  std::vector<uint8_t> tail;                       // bytes after IEND
};

// Sample `channel` of the pixel at column x, row y; only the low `bitDepth` bits are kept.
using SampleAt = std::function<uint16_t(uint32_t x, uint32_t y, uint32_t channel)>;

// Samples that vary from pixel to pixel and channel to channel.
uint16_t noisySample(uint32_t x, uint32_t y, uint32_t channel);

uint32_t pngChannels(uint8_t colourType);
uint32_t pngBytesPerPixel(const PngShape& shape);

// The image's pixels in raster order, 16-bit samples big-endian.
std::vector<uint8_t> pngPixels(const PngShape& shape, const SampleAt& sample);
// Every scanline of the image (of each Adam7 pass in order when interlaced): type 0, then bytes.
std::vector<uint8_t> pngScanlines(const PngShape& shape, const std::vector<uint8_t>& pixels);
std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& bytes);
// Everything that inflates `zlibData` whole, or an empty vector when it does not.
std::vector<uint8_t> zlibInflate(const std::vector<uint8_t>& zlibData);

// A chunk with its length and CRC.
std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data);
// The whole file around `zlibData` (cut into IDAT chunks as the shape says).
std::vector<uint8_t> buildPng(const PngShape& shape, const std::vector<uint8_t>& zlibData);
std::vector<uint8_t> buildPng(const PngShape& shape, const SampleAt& sample = noisySample);

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

}  // namespace murl::test
