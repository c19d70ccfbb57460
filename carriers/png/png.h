#pragma once
// PNG images without a palette, 8 or 16 bits a sample. Every grey, red, green and blue sample is a
// unit (alpha never), visited in raster order of the whole image however it is stored; its unit
// bit is the sample's lowest bit (of its low-order byte at 16 bits). Units are spaced rather than
// tested: after the lead-in every (L + 1)-th is used. Targets are re-encoded: the image data
// becomes a new IDAT sequence, every other chunk and every byte after IEND is copied as it was.
#include <array>
#include <cstdint>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/image_usability.h"
#include "carriers/png/png_codec.h"
#include "carriers/png/png_layout.h"

namespace murl {

class PngFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kPng;
  static constexpr bool kCodesTarget = true;

  explicit PngFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return kType; }
  uint32_t leadIn() const { return imageLeadIn(header_.width, header_.height, level_); }
  uint32_t spacing() const { return level_ + 1u; }
  uint64_t allUnits() const { return header_.units(); }
  // The header tells the units: count reads no image data.
  bool countUnits(uint64_t& units) {
    units = header_.units();
    return !context_.stopped();
  }

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst) {
    png::PngImage image;
    png::RowProgress progress(context_, scanlinesHandled(dst != nullptr));
    if (!readImage(dst, image, progress) || !walkUnits(pass, image, progress)) return false;
    return dst == nullptr || writeImage(*dst, image, progress);
  }

 private:
  // Copies (for a target) or passes over the chunks before the image data, then decodes it.
  bool readImage(platform::File* dst, png::PngImage& image, png::RowProgress& progress);
  // Encodes the image into the target and copies every chunk and byte after the image data.
  bool writeImage(platform::File& dst, const png::PngImage& image, png::RowProgress& progress);
  bool writeHead(platform::File& dst);
  bool copyTail(platform::File& dst);
  // The next chunk's length and type; false after a short read (message shown) or a stop.
  bool nextChunk(uint8_t (&chunk)[png::kChunkHeaderSize]);
  // The body and CRC of that chunk: copied to dst after its header, or passed over without one.
  bool passChunk(const uint8_t (&chunk)[png::kChunkHeaderSize], platform::File* dst);
  bool targetInterlaced() const;
  uint64_t scanlinesHandled(bool writes) const;

  template <class Pass>
  bool walkUnits(Pass& pass, png::PngImage& image, png::RowProgress& progress);

  const OperationContext& context_;
  platform::File* src_ = nullptr;
  std::array<uint8_t, png::kHeadSize> head_{};
  png::PngHeader header_;
  uint8_t level_ = 0;
};

// Grey samples, or red, green and blue ones, pixel by pixel; a 16-bit sample's unit bit is in its
// second (low-order) byte.
template <class Pass>
bool PngFormat::walkUnits(Pass& pass, png::PngImage& image, png::RowProgress& progress) {
  const png::PngHeader& h = image.header;
  const uint32_t sampleBytes = h.bitDepth / 8;
  const uint32_t units = h.unitsPerPixel();
  for (uint32_t r = 0; r < h.height; ++r) {
    if (context_.stopped()) return false;
    uint8_t* row = image.pixels.get() + uint64_t{r} * h.rowBytes;
    for (uint32_t x = 0; x < h.width; ++x) {
      uint8_t* unit = row + uint64_t{x} * h.bytesPerPixel + sampleBytes - 1;
      for (uint32_t c = 0; c < units; ++c, unit += sampleBytes) {
        uint8_t bit = *unit & 1;
        if (!pass.visit(bit)) return false;
        *unit = static_cast<uint8_t>((*unit & 0xFE) | bit);
      }
    }
    progress.row();
  }
  return true;
}

const CarrierHandler& pngHandler();

const FormatFacts& pngFacts();

}  // namespace murl
