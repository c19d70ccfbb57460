#pragma once
// Reading a PNG file's pixels with the codec under test, for the PNG tests: the codec's own output
// is checked against independent tools once (png_codec_test.cpp), then trusted to read targets.
#include <array>
#include <string>
#include <vector>

#include "carriers/common/operation.h"
#include "carriers/png/png_codec.h"
#include "platform/file_system.h"
#include "support/png_builder.h"
#include "support/temp_dir.h"

namespace murl::test {

// Decodes the image data of the PNG file at `path`. False when the header is no carrier's or the
// data does not decode (the decoder's message goes to the workspace's reporter).
inline bool decodePngFile(const std::string& path, Workspace& workspace, png::PngImage& image) {
  auto file = platform::realFileSystem().openRead(path);
  std::array<uint8_t, png::kHeadSize> head{};
  png::PngHeader header;
  if (!file.readExact(head.data(), head.size()) || !png::parseHeader(head, false, header)) {
    return false;
  }
  for (const PngChunkView& chunk : pngChunks(readAll(path))) {
    if (chunk.type == "IDAT") {
      file.seek(chunk.offset);
      break;
    }
  }
  const OperationContext context(workspace, Operation::kExtract);
  png::RowProgress progress(context, 0);
  return png::allocateImage(context, header, image) &&
         png::decodeImage(context, file, image, progress);
}

inline std::vector<uint8_t> pixelsOf(const png::PngImage& image) {
  return {image.pixels.get(), image.pixels.get() + image.imageSize};
}

// The pixels as red, green, blue and alpha samples of the image's depth (16-bit ones big-endian):
// grey repeated three times, full alpha where there is none.
inline std::vector<uint8_t> rgbaOf(const png::PngImage& image) {
  const png::PngHeader& h = image.header;
  const uint32_t sampleBytes = h.bitDepth / 8;
  const uint32_t samples = h.samplesPerPixel();
  const bool grey = h.layout == png::Layout::kGrey || h.layout == png::Layout::kGreyAlpha;
  const bool alpha = h.layout == png::Layout::kGreyAlpha || h.layout == png::Layout::kColourAlpha;
  std::vector<uint8_t> out;
  for (uint64_t p = 0; p < uint64_t{h.width} * h.height; ++p) {
    const uint8_t* px = image.pixels.get() + p * h.bytesPerPixel;
    for (uint32_t c = 0; c < 4; ++c) {
      const uint32_t from = c == 3 ? samples - 1 : (grey ? 0 : c);
      for (uint32_t b = 0; b < sampleBytes; ++b) {
        out.push_back(c == 3 && !alpha ? 0xFF : px[from * sampleBytes + b]);
      }
    }
  }
  return out;
}

}  // namespace murl::test
