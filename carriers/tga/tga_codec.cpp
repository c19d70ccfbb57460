#include "carriers/tga/tga_codec.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace murl::tga {
namespace {

constexpr uint8_t kRunBit = 0x80;
constexpr uint32_t kMaxRunFollowers = kMaxPacketPixels - 1;

// `count` copies of one pixel of B bytes.
template <uint32_t B>
void repeatPixel(uint8_t* to, const uint8_t* pixel, uint32_t count) {
  if constexpr (B == 1) {
    std::memset(to, *pixel, count);
  } else {
    for (uint32_t i = 0; i < count; ++i) std::memcpy(to + i * B, pixel, B);
  }
}

void repeatPixel(uint32_t b, uint8_t* to, const uint8_t* pixel, uint32_t count) {
  switch (b) {
    case 1:
      return repeatPixel<1>(to, pixel, count);
    case 3:
      return repeatPixel<3>(to, pixel, count);
    default:
      return repeatPixel<4>(to, pixel, count);
  }
}

template <uint32_t B>
bool samePixel(const uint8_t* a, const uint8_t* b) {
  return std::memcmp(a, b, B) == 0;
}

// Codes `count` pixels of B bytes; returns the coded length and how many pixels from the end
// were held back (only when `last` is false).
template <uint32_t B>
size_t encodePixels(const uint8_t* p, uint32_t count, bool last, uint8_t* out, uint32_t& held) {
  uint8_t* at = out;
  uint32_t i = 0;
  held = 0;
  while (i < count) {
    const uint8_t* pixel = p + size_t{i} * B;
    uint32_t followers = 0;
    while (followers < kMaxRunFollowers && i + 1 + followers < count &&
           samePixel<B>(pixel, p + size_t{i + 1 + followers} * B)) {
      ++followers;
    }
    if (followers != 0) {
      // A run that ends with the pixels at hand might go on in the next row.
      if (!last && i + 1 + followers == count && followers < kMaxRunFollowers) break;
      *at++ = static_cast<uint8_t>(kRunBit | followers);
      std::memcpy(at, pixel, B);
      at += B;
      i += followers + 1;
      continue;
    }
    // Raw pixels up to where two equal neighbours begin a run.
    uint32_t end = i + 1;
    while (end < count && end - i < kMaxPacketPixels &&
           !(end + 1 < count && samePixel<B>(p + size_t{end} * B, p + size_t{end + 1} * B))) {
      ++end;
    }
    if (!last && end == count && end - i < kMaxPacketPixels) break;
    *at++ = static_cast<uint8_t>(end - i - 1);
    std::memcpy(at, pixel, size_t{end - i} * B);
    at += size_t{end - i} * B;
    i = end;
  }
  held = count - i;
  return static_cast<size_t>(at - out);
}

}  // namespace

bool parseTga(std::span<const uint8_t, kHeaderSize> header, TgaLayout& layout) {
  layout = TgaLayout{};
  layout.idLength = header[0];
  layout.type = header[kTypeByte];
  const uint8_t depth = header[16];
  switch (layout.type) {
    case 2:
    case 10:
      if (depth != 24 && depth != 32) return false;
      break;
    case 3:
    case 11:
      if (depth != 8) return false;
      break;
    default:
      return false;
  }
  // Map entries between the ID and the pixels would be read as pixels, and the pixels' last
  // bytes taken for what follows them.
  const uint32_t mapEntries = loadLe16(&header[5]);
  if (header[1] != 0 && mapEntries != 0 && header[7] != 0) return false;
  layout.pixelBytes = depth / 8;
  layout.width = loadLe16(&header[12]);
  layout.height = loadLe16(&header[14]);
  return layout.pixelCount() * layout.unitsPerPixel() <= 0xFFFFFFFFu;
}

bool pixelsFit(const TgaLayout& layout, uint64_t fileSize) {
  // A packet of at most 128 pixels takes a header byte and at least one pixel's bytes.
  const uint64_t pixels = layout.pixelCount();
  const uint64_t least =
      layout.coded() ? (pixels + 127) / 128 * (1 + layout.pixelBytes) : pixels * layout.pixelBytes;
  return fileSize >= layout.pixelStart() && least <= fileSize - layout.pixelStart();
}

uint8_t targetType(uint8_t type, bool keep, bool compress) {
  if (keep) return type;
  const uint8_t raw = type >= 10 ? static_cast<uint8_t>(type - 8) : type;
  return compress ? static_cast<uint8_t>(raw + 8) : raw;
}

bool RowDecoder::decode(ReadWindow& in, uint8_t* row, uint32_t width) {
  const uint32_t b = pixelBytes_;
  uint32_t made = std::min(left_, width);
  if (made != 0) {
    if (repeats_) {
      repeatPixel(b, row, held_.data(), made);
    } else {
      std::memcpy(row, held_.data() + heldAt_, size_t{made} * b);
      heldAt_ += made * b;
    }
    left_ -= made;
  }
  // Enough for the rest of the row in packets of one pixel and a last packet of 128.
  const size_t most = size_t{width - made} * (b + 1) + kMaxPacketPixels * b;
  in.fill(most);
  const size_t available = std::min(most, in.ready());
  const uint8_t* bytes = in.data();
  size_t used = 0;
  while (made < width) {
    if (used == available) return false;
    const uint8_t head = bytes[used++];
    const uint32_t count = (head & ~kRunBit) + 1u;
    const bool repeats = (head & kRunBit) != 0;
    const size_t packetBytes = size_t{repeats ? 1 : count} * b;
    if (available - used < packetBytes) return false;
    const uint8_t* pixels = bytes + used;
    used += packetBytes;
    const uint32_t taken = std::min(count, width - made);
    if (repeats) {
      repeatPixel(b, row + size_t{made} * b, pixels, taken);
    } else {
      std::memcpy(row + size_t{made} * b, pixels, size_t{taken} * b);
    }
    made += taken;
    if (taken < count) {
      left_ = count - taken;
      repeats_ = repeats;
      heldAt_ = 0;
      std::memcpy(held_.data(), repeats ? pixels : pixels + size_t{taken} * b,
                  size_t{repeats ? 1 : left_} * b);
    }
  }
  in.consume(used);
  return true;
}

size_t RowEncoder::encode(uint8_t* row, uint32_t width, bool lastRow, uint8_t* out) {
  const uint32_t b = pixelBytes_;
  uint8_t* first = row - size_t{heldPixels_} * b;
  std::memcpy(first, held_.data(), size_t{heldPixels_} * b);
  const uint32_t count = heldPixels_ + width;
  uint32_t held = 0;
  size_t coded;
  switch (b) {
    case 1:
      coded = encodePixels<1>(first, count, lastRow, out, held);
      break;
    case 3:
      coded = encodePixels<3>(first, count, lastRow, out, held);
      break;
    default:
      coded = encodePixels<4>(first, count, lastRow, out, held);
      break;
  }
  heldPixels_ = held;
  std::memcpy(held_.data(), first + size_t{count - held} * b, size_t{held} * b);
  return coded;
}

}  // namespace murl::tga
