#pragma once
// What follows the pixel data of a Targa image. A few bytes are copied as they are; a version 2
// footer brings its extension area (with colour correction table and postage stamp) and its
// developer directory (with each tag's data), which a target carries after its own pixel data
// with every offset pointing at its own copies.
#include <array>
#include <cstdint>

#include "carriers/common/operation.h"
#include "platform/file.h"

namespace murl::tga {

constexpr uint32_t kFooterSize = 26;
constexpr uint32_t kExtensionSize = 495;
constexpr uint32_t kColourTableSize = 2048;
constexpr uint32_t kTagEntrySize = 10;

struct TgaRest {
  uint64_t pixelEnd = 0;  // where the source's pixel data ends
  uint64_t fileEnd = 0;
  bool footer = false;  // false: the bytes from pixelEnd on are copied as they are
  std::array<uint8_t, kFooterSize> footerBytes{};
  uint32_t extension = 0;  // source offsets, 0 when there is none
  uint32_t colourTable = 0;
  uint32_t stamp = 0;
  uint64_t stampBytes = 0;  // 2 + width x height pixels
  std::array<uint8_t, kExtensionSize> extensionBytes{};
  uint32_t directory = 0;
  uint32_t tags = 0;
  uint8_t* directoryBytes = nullptr;  // 2 + 10 x tags bytes, in the caller's buffer
};

// Reads what follows `pixelEnd` in `src` into `rest`; the directory goes to `directoryBuffer`
// (room for 2 + 10 x 65535 bytes). False when the source cannot be carried over: 26 bytes or more
// without a footer, a part that lies before pixelEnd or beyond the file's end.
bool readRest(platform::File& src, uint64_t pixelEnd, uint32_t pixelBytes, uint8_t* directoryBuffer,
              TgaRest& rest);

// Appends the rest to `dst` at its current position, after its pixel data, with the offsets of
// extension area, colour correction table, postage stamp, directory and tag data rewritten and
// the scan line table left out.
bool writeRest(const OperationContext& context, platform::File& src, platform::File& dst,
               TgaRest& rest);

}  // namespace murl::tga
