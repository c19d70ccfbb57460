#include "carriers/bmp/bmp.h"

#include <gtest/gtest.h>

#include <bit>

#include "carriers/bmp/bmp_format.h"
#include "carriers/conformance.h"
#include "carriers/round_trip.h"
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

BmpShape spec32(uint32_t headerSize, uint32_t compression) {
  return BmpShape{.headerSize = headerSize, .bitCount = 32, .compression = compression};
}

// Per byte of a built bitmap, the bits hide may change: the unit bit of every channel of every
// pixel (all three channels of a grey pixel receive channel 0's bit).
std::vector<uint8_t> unitBitMask(const BmpShape& shape, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> mask(bytes.size(), 0);
  std::array<uint32_t, 3> masks{0xFF, 0xFF00, 0xFF0000};
  if (shape.bitCount == 32 && shape.compression == 3) {
    masks = shape.headerSize == 40
                ? shape.masks
                : std::array<uint32_t, 3>{shape.masks[2], shape.masks[1], shape.masks[0]};
  }
  uint32_t pixelBits = 0;
  for (uint32_t m : masks) pixelBits |= 1u << std::countr_zero(m);
  const size_t bytesPerPixel = shape.bitCount / 8;
  for (int32_t r = 0; r < std::abs(shape.height); ++r) {
    const size_t row = bmpPixelStart(shape) + r * bmpRowStride(shape);
    for (int32_t x = 0; x < shape.width; ++x) {
      for (size_t b = 0; b < bytesPerPixel; ++b) {
        mask[row + x * bytesPerPixel + b] = static_cast<uint8_t>(pixelBits >> (8 * (b % 4)));
      }
    }
  }
  return mask;
}

TEST(BmpHeader, AcceptsTheFourInfoHeadersWith24And32BitPixels) {
  for (uint32_t size : {12u, 40u, 108u, 124u}) {
    EXPECT_TRUE(parses(BmpShape{.headerSize = size})) << size;
    if (size == 12) continue;
    EXPECT_TRUE(parses(spec32(size, 0))) << size;
    EXPECT_TRUE(parses(spec32(size, 3))) << size;
  }
}

TEST(BmpHeader, RefusesWhatIsNotAnUncompressedTrueColourBitmap) {
  const std::pair<const char*, BmpShape> refused[] = {
      {"32-bit core header", spec32(12, 0)},
      {"8-bit", {.bitCount = 8}},
      {"16-bit", {.bitCount = 16}},
      {"RLE", {.compression = 1}},
      {"RLE 24", {.compression = 4}},
      {"56-byte header", {.headerSize = 56}},
      {"two planes", {.planes = 2}},
      {"zero width", {.width = 0}},
      {"width -1", {.width = -1}},
      {"width -32", {.width = -32}},
      {"zero width, core header", {.headerSize = 12, .width = 0}},
      {"top-down bitmap runs out of rows", {.height = -24}},
  };
  for (const auto& [defect, s] : refused) EXPECT_FALSE(parses(s)) << defect;
  EXPECT_TRUE(parses(BmpShape{.compression = 3}));  // accepted with 24 bits; masks unused
  auto bytes = buildBmp(BmpShape{}, noisyPixel);
  bytes[1] = 'A';
  BmpLayout layout;
  EXPECT_FALSE(bmp::parseBmp(bytes, true, bytes.size(), layout));
}

TEST(BmpHeader, RowsOfMoreThan4MiBAreRefused) {
  BmpShape s{.width = 0x400000 / 3, .height = 0};  // rows of 4 MiB - 1 bytes
  EXPECT_TRUE(parses(s));
  s.width += 1;
  EXPECT_FALSE(parses(s));
  BmpShape wide = spec32(40, 0);
  wide.height = 0;
  wide.width = 0x100000;
  EXPECT_TRUE(parses(wide));
  wide.width += 1;
  EXPECT_FALSE(parses(wide));
}

TEST(BmpHeader, RowsMustFitInTheFileAndStartAfterTheHeaders) {
  BmpShape s;
  auto bytes = buildBmp(s, noisyPixel);
  BmpLayout layout;
  EXPECT_TRUE(bmp::parseBmp(bytes, true, bytes.size(), layout));
  EXPECT_FALSE(bmp::parseBmp(bytes, true, bytes.size() - 1, layout));
  bytes[10] = 40;  // pixel data offset inside the info header
  EXPECT_FALSE(bmp::parseBmp(bytes, true, bytes.size(), layout));
  // 24-bit pixels read no masks, so bit fields put none between the header and the rows.
  auto fields = buildBmp(BmpShape{.compression = 3}, noisyPixel);
  fields.erase(fields.begin() + 54, fields.begin() + 66);
  storeLe32(fields.data() + 10, 54);
  ASSERT_TRUE(bmp::parseBmp(fields, true, fields.size(), layout));
  EXPECT_EQ(layout.pixelStart, 54u);
  // More pixels than any bitmap can count are refused by the header alone, however large the
  // (sparse) file: no row is read.
  BmpShape huge{.width = 0x10000, .height = 0, .fileHeader = false};
  auto header = buildBmp(huge, noisyPixel);
  storeLe32(header.data() + 8, 0x10000);
  EXPECT_FALSE(bmp::parseBmp(header, false, uint64_t{1} << 40, layout));
  storeLe32(header.data() + 8, 0xFFFF);
  EXPECT_TRUE(bmp::parseBmp(header, false, uint64_t{1} << 40, layout));
}

TEST(BmpHeader, BitFieldMasksMustBeDisjointRunsOfAtLeastEightBits) {
  EXPECT_TRUE(bmp::isUsableMask(0xFF));
  EXPECT_TRUE(bmp::isUsableMask(0x3FF00000));  // 10 bits
  EXPECT_TRUE(bmp::isUsableMask(0xFF000000));
  EXPECT_FALSE(bmp::isUsableMask(0));
  EXPECT_FALSE(bmp::isUsableMask(0x7F));        // 7 bits
  EXPECT_FALSE(bmp::isUsableMask(0xF0F0));      // two runs
  EXPECT_FALSE(bmp::isUsableMask(0xE0000000));  // lowest bit above 28
  BmpShape gap = spec32(124, 3);
  gap.masks = {0x00FF0000, 0x0000F0F0, 0x000000FF};
  EXPECT_FALSE(parses(gap));
  BmpShape overlap = spec32(40, 3);
  overlap.masks = {0x00FF0000, 0x000FF000, 0x000000FF};
  EXPECT_FALSE(parses(overlap));
}

TEST(BmpHeader, InsideAModuleRowsFollowTheHeaderOfEachVersion) {
  const std::pair<BmpShape, uint64_t> cases[] = {
      {BmpShape{.headerSize = 12}, 12},
      {BmpShape{.headerSize = 40}, 40},
      {spec32(40, 3), 52},
      {BmpShape{.compression = 3}, 52},  // the mask words keep their room, read or not
      {spec32(108, 3), 108},
      {spec32(124, 0), 124},
  };
  for (auto [s, expected] : cases) {
    s.fileHeader = false;
    BmpLayout layout;
    ASSERT_TRUE(parses(s, layout)) << expected;
    EXPECT_EQ(layout.pixelStart, expected);
  }
  BmpLayout layout;
  ASSERT_TRUE(parses(BmpShape{.gapBytes = 20}, layout));
  EXPECT_EQ(layout.pixelStart, 14u + 40 + 20);  // a file follows its pixel data offset
}

// Bitmaps for the handler: loud values are those of 16 or more (level 3).
class BmpHandlerTest : public ::testing::Test {
 protected:
  IdentificationRecord count(const BmpShape& shape, const PixelAt& pixel) {
    return trip.count(buildBmp(shape, pixel), "x.bmp", CarrierType::kBmpColour);
  }
  RoundTrip trip;
};

TEST_F(BmpHandlerTest, AllBlackBitmapIsNotACarrier) {
  EXPECT_TRUE(count(BmpShape{}, [](uint32_t, uint32_t) { return 0x0F0F0Fu; }).rejected);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(BmpHandlerTest, GreyBitmapIsTypeThreeWithOneUnitPerPixel) {
  const BmpShape s;  // 32 x 24: lead-in (0 + 8 + 3)
  auto grey = count(s, greyPixel);
  uint32_t loudPixels = 0;
  for (uint32_t r = 0; r < 24; ++r) {
    for (uint32_t x = 0; x < 32; ++x) loudPixels += (greyPixel(x, r) & 0xFF) >= 16;
  }
  ASSERT_FALSE(grey.rejected);
  EXPECT_EQ(grey.type, CarrierType::kBmpGrey);
  EXPECT_EQ(grey.carrierBits, loudPixels - 544 - 11);
  // Make one channel of one pixel differ: every channel of every pixel becomes a unit.
  auto colour = count(s, [](uint32_t x, uint32_t r) { return greyPixel(x, r) ^ (x + r == 0); });
  ASSERT_FALSE(colour.rejected);
  EXPECT_EQ(colour.type, CarrierType::kBmpColour);
  EXPECT_EQ(colour.carrierBits, 3 * loudPixels - 544 - 11);
}

TEST_F(BmpHandlerTest, OneUnitMoreThanTheOverheadIsOneCarrierBit) {
  const BmpShape s{.width = 16, .height = 16};  // lead-in 3: overhead 547
  for (uint32_t loud : {547u, 548u}) {
    auto record = count(s, [loud](uint32_t x, uint32_t r) {
      const uint32_t first = (r * 16 + x) * 3;
      uint32_t v = 0;
      for (uint32_t b = 0; b < 3; ++b) v |= (first + b < loud ? 0xF1u : 0x01u) << (8 * b);
      return v;
    });
    EXPECT_EQ(record.rejected, loud == 547) << loud;
    if (loud == 548) {
      EXPECT_EQ(record.carrierBits, 1u);
    }
  }
}

TEST_F(BmpHandlerTest, CarrierAtLevelThreeIsNoneAtLevelSix) {
  const auto mid = [](uint32_t x, uint32_t r) { return 0x405060u + ((x * 3 + r) & 0x1F); };
  EXPECT_FALSE(count(BmpShape{}, mid).rejected);
  trip.workspace.options.setLevel(LevelFormat::kBmp, 6);
  EXPECT_TRUE(count(BmpShape{}, mid).rejected);
}

// Where a bitmap's pixels lie and how its channels are read, as a reader of the format takes
// them: bytes 0, 1, 2 of a 24-bit pixel; for 32 bits the masks, blue first except after a
// version 3 header with bit fields, whose masks follow it in file order.
struct PixelLayout {
  size_t start = 0;
  size_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bitCount = 24;
  std::array<uint32_t, 3> masks{0xFF, 0xFF00, 0xFF0000};
};

PixelLayout layoutOf(const BmpShape& shape) {
  PixelLayout l{bmpPixelStart(shape), bmpRowStride(shape), shape.width, shape.height,
                shape.bitCount};
  if (shape.bitCount == 32 && shape.compression == 3) {
    l.masks = shape.headerSize == 40 ? shape.masks
                                     : std::array{shape.masks[2], shape.masks[1], shape.masks[0]};
  }
  return l;
}

// The same read off a file's own headers (a version 3, 4 or 5 info header).
PixelLayout layoutOf(const std::vector<uint8_t>& file) {
  const auto u32 = [&](size_t at) {
    return uint32_t{file[at]} | file[at + 1] << 8 | file[at + 2] << 16 |
           uint32_t{file[at + 3]} << 24;
  };
  PixelLayout l{u32(10), 0, static_cast<int32_t>(u32(18)), static_cast<int32_t>(u32(22)),
                uint32_t{file[28]}};
  l.stride = (l.bitCount / 8 * l.width + 3) / 4 * 4;
  if (l.bitCount == 32 && u32(30) == 3) l.masks = {u32(14 + 48), u32(14 + 44), u32(14 + 40)};
  return l;
}

// A unit is a channel (one per pixel when grey) whose low eight value bits reach 16; its unit bit
// is the channel's lowest bit.
UnitModel bmpModel(const PixelLayout& l, bool grey, const std::vector<uint8_t>& bytes) {
  UnitModel model{{}, (uint32_t(l.width) & 15) + (uint32_t(l.height) & 15) + 3, 1};
  const size_t pixelBytes = l.bitCount / 8;
  for (int32_t r = 0; r < l.height; ++r) {
    for (int32_t x = 0; x < l.width; ++x) {
      const size_t at = l.start + r * l.stride + x * pixelBytes;
      uint32_t pixel = 0;
      for (size_t b = 0; b < pixelBytes; ++b) pixel |= uint32_t{bytes[at + b]} << (8 * b);
      for (size_t c = 0; c < (grey ? 1u : 3u); ++c) {
        const uint32_t value = (pixel & l.masks[c]) >> std::countr_zero(l.masks[c]);
        if ((value & 0xFF) >= 16) model.unitBits.push_back(value & 1);
      }
    }
  }
  return model;
}

ConformanceFile conformanceBmp(const BmpShape& shape, bool grey, uint32_t minBits) {
  BmpShape s = shape;
  // Grey pixels give a third of the units: enough rows for minBits either way.
  s.height = static_cast<int32_t>((minBits + 2000) / s.width + 1);
  ConformanceFile file{buildBmp(s, grey ? PixelAt(greyPixel) : PixelAt(noisyPixel)), {}, {}};
  file.unitBitMask = unitBitMask(s, file.bytes);
  file.model = [l = layoutOf(s), grey](const std::vector<uint8_t>& bytes) {
    return bmpModel(l, grey, bytes);
  };
  return file;
}

ConformanceCarrier shaped(const char* name, const char* file, CarrierType type, BmpShape shape) {
  const bool grey = type == CarrierType::kBmpGrey;
  return {name, file, type, [=](uint32_t n) { return conformanceBmp(shape, grey, n); }};
}

ConformanceCarrier imageMagick(const char* name, const char* file, CarrierType type) {
  return {name, file, type, [=](uint32_t) {
            ConformanceFile fixture = fixtureFile(file);
            fixture.model = [l = layoutOf(fixture.bytes), type](const std::vector<uint8_t>& bytes) {
              return bmpModel(l, type == CarrierType::kBmpGrey, bytes);
            };
            return fixture;
          }};
}

BmpShape withMasks(BmpShape shape, std::array<uint32_t, 3> masks) {
  shape.masks = masks;
  return shape;
}

constexpr auto kColour = CarrierType::kBmpColour;
constexpr auto kGrey = CarrierType::kBmpGrey;

// Padded rows (33 and 45 pixels), a gap before the rows, every header version, both orders of
// bit fields; then the bitmaps of ImageMagick.
INSTANTIATE_TEST_SUITE_P(
    Bmp, CarrierConformance,
    ::testing::Values(shaped("Colour24", "c.bmp", kColour, {.width = 33}),
                      shaped("Grey24", "g.dib", kGrey, {}),
                      shaped("Core24Gap", "k.bmp", kColour,
                             {.headerSize = 12, .width = 45, .gapBytes = 9}),
                      shaped("Fields32V4", "f.bmp", kColour, spec32(108, 3)),
                      shaped("Fields32V3", "v.bmp", kColour,
                             withMasks(spec32(40, 3), {0xFF000000, 0x0000FF00, 0x00FF0000})),
                      shaped("Plain32V5Grey", "p.bmp", kGrey, spec32(124, 0)),
                      shaped("Wide32Masks", "w.bmp", kColour,
                             withMasks(spec32(124, 3), {0x3FF00000, 0x000FFC00, 0x000003FF})),
                      imageMagick("MagickV3Colour24", "bmp_v3_24.bmp", kColour),
                      imageMagick("MagickV3Alpha32", "bmp_v3_32.bmp", kColour),
                      imageMagick("MagickV4Fields32", "bmp_v4_32.bmp", kColour),
                      imageMagick("MagickV5Colour24", "bmp_v5_24.bmp", kColour),
                      imageMagick("MagickV5Fields32", "bmp_v5_32.bmp", kColour),
                      imageMagick("MagickGrey24", "bmp_grey_24.bmp", kGrey)),
    conformanceName);

}  // namespace
}  // namespace murl::test
