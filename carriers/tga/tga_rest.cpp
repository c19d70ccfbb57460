#include "carriers/tga/tga_rest.h"

#include <cstring>

#include "platform/byte_order.h"

namespace murl::tga {
namespace {

constexpr char kSignature[] = "TRUEVISION-XFILE.";  // with its zero byte: the footer's last 18
constexpr size_t kSignatureAt = 8;
constexpr size_t kExtensionSizeField = 0;
constexpr size_t kColourTableField = 482;
constexpr size_t kStampField = 486;
constexpr size_t kScanLineTableField = 490;

bool readAt(platform::File& src, uint64_t at, uint8_t* to, size_t count) {
  return src.seek(at) && src.readExact(to, count);
}

// A part of `size` bytes at `at` lies between the pixel data and the end of the file.
bool inRest(const TgaRest& rest, uint64_t at, uint64_t size) {
  return at >= rest.pixelEnd && at <= rest.fileEnd && size <= rest.fileEnd - at;
}

bool readExtension(platform::File& src, uint32_t pixelBytes, TgaRest& rest) {
  if (!inRest(rest, rest.extension, kExtensionSize) ||
      !readAt(src, rest.extension, rest.extensionBytes.data(), kExtensionSize)) {
    return false;
  }
  rest.colourTable = loadLe32(&rest.extensionBytes[kColourTableField]);
  rest.stamp = loadLe32(&rest.extensionBytes[kStampField]);
  if (rest.colourTable != 0 && !inRest(rest, rest.colourTable, kColourTableSize)) return false;
  if (rest.stamp == 0) return true;
  uint8_t size[2];
  if (!inRest(rest, rest.stamp, 2) || !readAt(src, rest.stamp, size, 2)) return false;
  rest.stampBytes = 2 + uint64_t{size[0]} * size[1] * pixelBytes;
  return inRest(rest, rest.stamp, rest.stampBytes);
}

bool readDirectory(platform::File& src, uint8_t* buffer, TgaRest& rest) {
  if (!inRest(rest, rest.directory, 2) || !readAt(src, rest.directory, buffer, 2)) return false;
  rest.tags = loadLe16(buffer);
  const uint32_t entries = rest.tags * kTagEntrySize;
  if (!inRest(rest, rest.directory, 2 + uint64_t{entries}) ||
      !readAt(src, rest.directory + 2, buffer + 2, entries)) {
    return false;
  }
  rest.directoryBytes = buffer;
  for (uint32_t t = 0; t < rest.tags; ++t) {
    const uint8_t* entry = buffer + 2 + t * kTagEntrySize;
    const uint32_t offset = loadLe32(entry + 2);
    if (offset != 0 && !inRest(rest, offset, loadLe32(entry + 6))) return false;
  }
  return true;
}

// The target's position, which must fit the 32-bit offset fields.
bool placeHere(platform::File& dst, uint32_t& offset) {
  const uint64_t at = dst.position();
  offset = static_cast<uint32_t>(at);
  return at <= 0xFFFFFFFFu;
}

// Copies `size` bytes from `from` to the target's end; `offset` gets where they went.
bool carryPart(const OperationContext& context, platform::File& src, platform::File& dst,
               uint64_t from, uint64_t size, uint32_t& offset) {
  return (placeHere(dst, offset) || context.writeFailed()) &&
         context.appendRange(src, dst, from, from + size);
}

bool carryExtension(const OperationContext& context, platform::File& src, platform::File& dst,
                    TgaRest& rest, uint32_t& offset) {
  uint32_t colourTable = 0;
  uint32_t stamp = 0;
  if (rest.colourTable != 0 &&
      !carryPart(context, src, dst, rest.colourTable, kColourTableSize, colourTable)) {
    return false;
  }
  if (rest.stamp != 0 && !carryPart(context, src, dst, rest.stamp, rest.stampBytes, stamp)) {
    return false;
  }
  uint8_t* area = rest.extensionBytes.data();
  storeLe16(area + kExtensionSizeField, kExtensionSize);
  storeLe32(area + kColourTableField, colourTable);
  storeLe32(area + kStampField, stamp);
  storeLe32(area + kScanLineTableField, 0);  // the target's rows are coded anew
  return (placeHere(dst, offset) && dst.writeExact(area, kExtensionSize)) || context.writeFailed();
}

bool carryDirectory(const OperationContext& context, platform::File& src, platform::File& dst,
                    TgaRest& rest, uint32_t& offset) {
  for (uint32_t t = 0; t < rest.tags; ++t) {
    uint8_t* entry = rest.directoryBytes + 2 + t * kTagEntrySize;
    const uint32_t from = loadLe32(entry + 2);
    if (from == 0) continue;
    uint32_t to = 0;
    if (!carryPart(context, src, dst, from, loadLe32(entry + 6), to)) return false;
    storeLe32(entry + 2, to);
  }
  const size_t bytes = 2 + size_t{rest.tags} * kTagEntrySize;
  return (placeHere(dst, offset) && dst.writeExact(rest.directoryBytes, bytes)) ||
         context.writeFailed();
}

}  // namespace

bool readRest(platform::File& src, uint64_t pixelEnd, uint32_t pixelBytes, uint8_t* directoryBuffer,
              TgaRest& rest) {
  rest = TgaRest{};
  rest.pixelEnd = pixelEnd;
  rest.fileEnd = src.size();
  if (rest.fileEnd < pixelEnd || rest.fileEnd - pixelEnd < kFooterSize) return true;
  uint8_t* footer = rest.footerBytes.data();
  if (!readAt(src, rest.fileEnd - kFooterSize, footer, kFooterSize) ||
      std::memcmp(footer + kSignatureAt, kSignature, sizeof kSignature) != 0) {
    return false;
  }
  rest.footer = true;
  rest.extension = loadLe32(footer);
  rest.directory = loadLe32(footer + 4);
  return (rest.extension == 0 || readExtension(src, pixelBytes, rest)) &&
         (rest.directory == 0 || readDirectory(src, directoryBuffer, rest));
}

bool writeRest(const OperationContext& context, platform::File& src, platform::File& dst,
               TgaRest& rest) {
  if (!rest.footer) return context.appendRange(src, dst, rest.pixelEnd, rest.fileEnd);
  uint32_t extension = 0;
  uint32_t directory = 0;
  if (rest.extension != 0 && !carryExtension(context, src, dst, rest, extension)) return false;
  if (rest.directory != 0 && !carryDirectory(context, src, dst, rest, directory)) return false;
  uint8_t* footer = rest.footerBytes.data();
  storeLe32(footer, extension);
  storeLe32(footer + 4, directory);
  return dst.writeExact(footer, kFooterSize) || context.writeFailed();
}

}  // namespace murl::tga
