#include "carriers/bmp/bmp.h"

#include <gtest/gtest.h>

#include <bit>

#include "carriers/bmp/bmp_format.h"
#include "carriers/conformance.h"
#include "platform/byte_order.h"
#include "support/bmp_builder.h"

namespace murl::test {
namespace {

using bmp::BmpLayout;

bool parses(const BmpShape& shape, BmpLayout& layout) {
  const auto bytes = buildBmp(shape, noisyPixel);
  return bmp::parseBmp(bytes, shape.fileHeader, bytes.size(), layout);
}
bool parses(const BmpShape& shape) {
  BmpLayout layout;
  return parses(shape, layout);
}

BmpShape spec32(uint32_t headerSize, uint32_t compression,
                std::array<uint32_t, 3> masks = {0x00FF0000, 0x0000FF00, 0xFF}) {
  return {.headerSize = headerSize, .bitCount = 32, .compression = compression, .masks = masks};
}

TEST(BmpHeader, AcceptsUncompressedTrueColourBitmapsOnly) {
  const std::tuple<const char*, BmpShape, bool> rows[] = {
      {"core header", {.headerSize = 12}, true},
      {"version 3", {}, true},
      {"version 3, 32-bit", spec32(40, 0), true},
      {"version 3, bit fields", spec32(40, 3), true},
      {"version 4, bit fields", spec32(108, 3), true},
      {"version 5, 32-bit", spec32(124, 0), true},
      {"24 bits with bit fields, masks unused", {.compression = 3}, true},
      {"rows of 4 MiB - 1 bytes", {.width = 0x400000 / 3, .height = 0}, true},
      {"rows of 4 MiB + 2 bytes", {.width = 0x400000 / 3 + 1, .height = 0}, false},
      {"32-bit rows of 4 MiB", {.width = 0x100000, .height = 0, .bitCount = 32}, true},
      {"32-bit rows of 4 MiB + 4 bytes", {.width = 0x100001, .height = 0, .bitCount = 32}, false},
      {"10-bit masks", spec32(124, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}), true},
      {"a mask of two runs", spec32(124, 3, {0x00FF0000, 0x0000F0F0, 0xFF}), false},
      {"overlapping masks", spec32(40, 3, {0x00FF0000, 0x000FF000, 0xFF}), false},
      {"a mask of 7 bits", spec32(108, 3, {0x00FF0000, 0x00007F00, 0xFF}), false},
      {"a mask above bit 28", spec32(108, 3, {0xE0000000, 0x0000FF00, 0xFF}), false},
      {"32-bit core header", spec32(12, 0), false},
      {"8-bit", {.bitCount = 8}, false},
      {"RLE", {.compression = 1}, false},
      {"56-byte header", {.headerSize = 56}, false},
      {"two planes", {.planes = 2}, false},
      {"zero width", {.width = 0}, false},
      {"width -1", {.width = -1}, false},
      {"zero width, core header", {.headerSize = 12, .width = 0}, false},
      {"top-down bitmap runs out of rows", {.height = -24}, false},
  };
  for (const auto& [what, shape, accepted] : rows) EXPECT_EQ(parses(shape), accepted) << what;
  auto bytes = buildBmp(BmpShape{}, noisyPixel);
  BmpLayout layout;
  EXPECT_FALSE(bmp::parseBmp(bytes, true, bytes.size() - 1, layout)) << "rows past the end";
  EXPECT_FALSE(bmp::parseBmp(patched(bytes, 10, {40}), true, bytes.size(), layout))
      << "rows start inside the info header";
  EXPECT_FALSE(bmp::parseBmp(patched(bytes, 1, {'A'}), true, bytes.size(), layout)) << "not BM";
}

TEST(BmpHeader, RowsFollowTheHeadersInAModuleAndTheOffsetInAFile) {
  const std::pair<BmpShape, uint64_t> rows[] = {
      {{.headerSize = 12, .fileHeader = false}, 12},
      {{.fileHeader = false}, 40},
      {{.headerSize = 40, .bitCount = 32, .compression = 3, .fileHeader = false}, 52},
      {{.compression = 3, .fileHeader = false}, 52},  // the mask words keep their room, read or not
      {{.headerSize = 124, .bitCount = 32, .fileHeader = false}, 124},
      {{.gapBytes = 20}, 14 + 40 + 20},
  };
  for (const auto& [shape, pixelStart] : rows) {
    BmpLayout layout;
    ASSERT_TRUE(parses(shape, layout)) << pixelStart;
    EXPECT_EQ(layout.pixelStart, pixelStart);
  }
}

// 24-bit pixels read no masks, so a file with bit fields may start its rows right after the
// header; and a header counting more pixels than any bitmap can is refused before a row is read,
// however large the (sparse) file.
TEST(BmpHeader, TwentyFourBitFieldsNeedNoMasksAndHugeHeadersAreRefusedUnread) {
  auto fields = buildBmp(BmpShape{.compression = 3}, noisyPixel);
  fields.erase(fields.begin() + 54, fields.begin() + 66);
  storeLe32(fields.data() + 10, 54);
  BmpLayout layout;
  ASSERT_TRUE(bmp::parseBmp(fields, true, fields.size(), layout));
  EXPECT_EQ(layout.pixelStart, 54u);
  auto header = buildBmp(BmpShape{.width = 0x10000, .height = 0, .fileHeader = false}, noisyPixel);
  for (auto [height, accepted] : {std::pair{0x10000u, false}, std::pair{0xFFFFu, true}}) {
    storeLe32(header.data() + 8, height);
    EXPECT_EQ(bmp::parseBmp(header, false, uint64_t{1} << 40, layout), accepted) << height;
  }
}

// A bitmap is grey when every pixel's three channels agree: one pixel differing in any one
// channel makes it a colour bitmap, wherever it lies (here the last pixel of the last row).
TEST(BmpHandler, GreyOnlyWhenEveryPixelsThreeChannelsAgree) {
  RoundTrip trip;
  const auto typeOf = [&](uint32_t flip) {
    const auto pixel = [flip](uint32_t x, uint32_t r) {
      return greyPixel(x, r) ^ (x == 31 && r == 23 ? flip : 0);
    };
    return trip.count(buildBmp({}, pixel), "grey.bmp", CarrierType::kBmpColour).type;
  };
  EXPECT_EQ(typeOf(0), CarrierType::kBmpGrey);
  for (uint32_t flip : {0x01u, 0x0100u, 0x010000u})
    EXPECT_EQ(typeOf(flip), CarrierType::kBmpColour) << std::hex << flip;
}

// A bitmap file's layout read off its own headers: where the rows lie and which bits of a pixel
// each channel takes (bytes 0, 1, 2 of a 24-bit pixel; for 32 bits the masks, blue first except
// after a version 3 header with bit fields, whose masks follow it in file order).
struct PixelLayout {
  size_t start, stride;
  uint32_t width, height, pixelBytes;
  std::array<uint32_t, 3> masks{0xFF, 0xFF00, 0xFF0000};
};

PixelLayout layoutOf(const std::vector<uint8_t>& file) {
  const auto u32 = [&](size_t at) { return loadLe32(&file[at]); };
  const bool core = u32(14) == 12;
  PixelLayout l{u32(10), 0, core ? loadLe16(&file[18]) : u32(18),
                core ? loadLe16(&file[20]) : u32(22), (core ? file[24] : file[28]) / 8u};
  l.stride = (l.pixelBytes * l.width + 3) / 4 * 4;
  if (!core && l.pixelBytes == 4 && u32(30) == 3) {
    l.masks = u32(14) == 40 ? std::array{u32(54), u32(58), u32(62)}
                            : std::array{u32(14 + 48), u32(14 + 44), u32(14 + 40)};
  }
  return l;
}

uint32_t pixelAt(const PixelLayout& l, const std::vector<uint8_t>& file, uint32_t x, uint32_t r) {
  uint32_t pixel = 0;
  const size_t at = l.start + r * l.stride + x * l.pixelBytes;
  for (size_t b = 0; b < l.pixelBytes; ++b) pixel |= uint32_t{file[at + b]} << (8 * b);
  return pixel;
}

// A unit is a channel (one per pixel when grey) whose low eight value bits reach 2^(level + 1);
// its unit bit is the channel's lowest bit.
UnitModel bmpModel(bool grey, uint8_t level, const std::vector<uint8_t>& file) {
  const PixelLayout l = layoutOf(file);
  UnitModel model{{}, (l.width & 15) + (l.height & 15) + level, 1};
  for (uint32_t r = 0; r < l.height; ++r) {
    for (uint32_t x = 0; x < l.width; ++x) {
      const uint32_t pixel = pixelAt(l, file, x, r);
      for (size_t c = 0; c < (grey ? 1u : 3u); ++c) {
        const uint32_t value = (pixel & l.masks[c]) >> std::countr_zero(l.masks[c]);
        if ((value & 0xFF) >= 2u << level) model.unitBits.push_back(value & 1);
      }
    }
  }
  return model;
}

// Hide may change each channel's lowest bit (a grey pixel's unit bit goes to all three).
std::vector<uint8_t> unitBitMask(const std::vector<uint8_t>& file) {
  const PixelLayout l = layoutOf(file);
  std::vector<uint8_t> mask(file.size(), 0);
  uint32_t bits = 0;
  for (uint32_t m : l.masks) bits |= 1u << std::countr_zero(m);
  for (uint32_t r = 0; r < l.height; ++r) {
    for (size_t b = 0; b < l.width * l.pixelBytes; ++b) {
      mask[l.start + r * l.stride + b] = static_cast<uint8_t>(bits >> (8 * (b % l.pixelBytes)));
    }
  }
  return mask;
}

void prepare(ConformanceFile& file, CarrierType type, uint8_t level = kDefaultLevel) {
  file.unitBitMask = unitBitMask(file.bytes);
  file.model = [grey = type == CarrierType::kBmpGrey, level](const auto& bytes) {
    return bmpModel(grey, level, bytes);
  };
}

// Grey pixels give a third of the units: enough rows for minBits either way.
ConformanceCarrier built(const char* name, const char* file, CarrierType type, BmpShape shape,
                         uint8_t level = kDefaultLevel) {
  return {name,
          file,
          type,
          [=](uint32_t minBits) {
            BmpShape tall = shape;
            tall.height = static_cast<int32_t>((minBits + 2000) / shape.width + 1);
            const bool grey = type == CarrierType::kBmpGrey;
            ConformanceFile carrier{buildBmp(tall, grey ? PixelAt(greyPixel) : noisyPixel)};
            prepare(carrier, type, level);
            return carrier;
          },
          true,
          atLevel(level)};
}

ConformanceCarrier magick(const char* name, const char* file, CarrierType type) {
  return {name, file, type, [=](uint32_t) {
            ConformanceFile fixture{readFixture(file)};
            prepare(fixture, type);
            return fixture;
          }};
}

constexpr auto kColour = CarrierType::kBmpColour;
constexpr auto kGrey = CarrierType::kBmpGrey;

// Padded rows (33, 37 and 45 pixels, the 37 at the lowest and highest levels), a gap before the
// rows, every header version, both orders of bit fields, wide masks; then the bitmaps of
// ImageMagick.
INSTANTIATE_TEST_SUITE_P(
    Bmp, CarrierConformance,
    ::testing::Values(
        built("Colour24", "c.bmp", kColour, {.width = 33}), built("Grey24", "g.dib", kGrey, {}),
        built("Rows37Level0", "r.bmp", kColour, {.width = 37}, 0),
        built("Rows37Level6", "r.bmp", kColour, {.width = 37}, 6),
        built("Core24Gap", "k.bmp", kColour, {.headerSize = 12, .width = 45, .gapBytes = 9}),
        built("Fields32V4", "f.bmp", kColour, spec32(108, 3)),
        built("Fields32V3", "v.bmp", kColour, spec32(40, 3, {0xFF000000, 0xFF00, 0x00FF0000})),
        built("Plain32V5Grey", "p.bmp", kGrey, spec32(124, 0)),
        built("Wide32Masks", "w.bmp", kColour,
              spec32(124, 3, {0x3FF00000, 0x000FFC00, 0x000003FF})),
        magick("MagickV3Colour24", "bmp_v3_24.bmp", kColour),
        magick("MagickV3Alpha32", "bmp_v3_32.bmp", kColour),
        magick("MagickV4Fields32", "bmp_v4_32.bmp", kColour),
        magick("MagickV5Colour24", "bmp_v5_24.bmp", kColour),
        magick("MagickV5Fields32", "bmp_v5_32.bmp", kColour),
        magick("MagickGrey24", "bmp_grey_24.bmp", kGrey)),
    conformanceName);

}  // namespace
}  // namespace murl::test
