#include "carriers/bmp/bmp.h"

#include <gtest/gtest.h>

#include <bit>

#include "carriers/bmp/bmp_format.h"
#include "carriers/conformance.h"
#include "carriers/round_trip.h"
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

TEST(BmpHeader, ChannelOrderOfBitFieldsDependsOnTheHeaderVersion) {
  BmpLayout v3;
  BmpShape s3 = spec32(40, 3);
  s3.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
  ASSERT_TRUE(parses(s3, v3));
  EXPECT_EQ(v3.masks, (std::array<uint32_t, 3>{0xFF000000, 0x00FF0000, 0x0000FF00}));
  EXPECT_EQ(v3.shifts, (std::array<uint8_t, 3>{24, 16, 8}));
  for (uint32_t size : {108u, 124u}) {
    BmpLayout v45;
    BmpShape s = spec32(size, 3);  // red, green, blue at offsets 40, 44, 48
    s.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
    ASSERT_TRUE(parses(s, v45));
    EXPECT_EQ(v45.masks, (std::array<uint32_t, 3>{0x0000FF00, 0x00FF0000, 0xFF000000})) << size;
  }
  BmpLayout plain;
  ASSERT_TRUE(parses(spec32(124, 0), plain));
  EXPECT_EQ(plain.masks, (std::array<uint32_t, 3>{0xFF, 0xFF00, 0xFF0000}));
}

TEST(BmpHeader, InsideAModuleRowsFollowTheHeaderOfEachVersion) {
  const std::pair<BmpShape, uint64_t> cases[] = {
      {BmpShape{.headerSize = 12}, 12},
      {BmpShape{.headerSize = 40}, 40},
      {spec32(40, 3), 52},
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

TEST_F(BmpHandlerTest, RoundTripChangesOnlyUnitBitsOfPixels) {
  // 45 x 30: one padding byte a row, a gap and a tail.
  const BmpShape padded{.width = 45, .height = 30, .gapBytes = 9, .tailBytes = 7};
  const BmpShape core{.headerSize = 12};
  BmpShape v3Fields = spec32(40, 3);
  v3Fields.masks = {0xFF000000, 0x0000FF00, 0x00FF0000};
  BmpShape v4 = spec32(108, 3);
  v4.tailBytes = 3;
  const BmpShape cases[] = {padded, core, spec32(40, 0), v3Fields, v4, spec32(124, 0)};
  for (bool grey : {false, true}) {
    for (const BmpShape& s : cases) {
      SCOPED_TRACE(testing::Message() << s.headerSize << "/" << s.bitCount << " grey " << grey);
      const auto source = buildBmp(s, grey ? PixelAt(greyPixel) : PixelAt(noisyPixel));
      writeAll(trip.dir.file("s.bmp"), source);
      trip.expectRoundTrip("s.bmp", CarrierType::kBmpColour, 200);
      const auto target = readAll(trip.dir.file("target_s.bmp"));
      expectOnlyMaskedBitsDiffer(source, target, unitBitMask(s, source));
      if (grey && s.bitCount == 24) {
        BmpLayout layout;
        ASSERT_TRUE(bmp::parseBmp(target, true, target.size(), layout));
        for (uint32_t r = 0; r < layout.height; ++r) {
          EXPECT_TRUE(bmp::bmpRowIsGrey(layout, &target[layout.pixelStart + r * layout.rowStride]));
        }
      }
    }
  }
}

// A stream whose first hidden bit is 0 and the next ones 1: over units whose unit bits are all
// 0, only the first data unit changes, which shows where the data begins.
TEST_F(BmpHandlerTest, FirstDataUnitIsChannelZeroOfTheHeaderVersion) {
  for (uint32_t size : {40u, 124u}) {
    BmpShape s = spec32(size, 3);
    s.width = 16;
    s.height = 16;                                   // lead-in 3: pixel 0's three channels
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};  // red, green, blue
    const auto source = buildBmp(s, [](uint32_t, uint32_t) { return 0x00A09080u; });
    writeAll(trip.dir.file("o.bmp"), source);
    auto record = trip.countFile(trip.dir.file("o.bmp"), CarrierType::kBmpColour);
    ASSERT_FALSE(record.rejected);
    std::vector<uint8_t> stream(8, 0xFF);
    stream[0] = 0x7F;
    trip.stream(stream);
    const CarrierEntry entry{record.type, record.carrierBits, {}, trip.dir.file("o.bmp")};
    double percentage;
    ASSERT_TRUE(trip.hide(entry.path, "o_t.bmp", entry, {0, record.carrierBits, 64}, percentage));
    const auto target = readAll(trip.dir.file("o_t.bmp"));
    const size_t pixel1 = bmpPixelStart(s) + 4;
    // Version 3 takes the masks in file order (red first); versions 4 and 5 start with blue.
    const size_t changedByte = size == 40 ? pixel1 + 2 : pixel1;
    for (size_t b = 0; b < 4; ++b) {
      EXPECT_EQ(target[pixel1 + b] ^ source[pixel1 + b], b + pixel1 == changedByte ? 1 : 0)
          << size << " byte " << b;
    }
  }
}

TEST_F(BmpHandlerTest, InsideAModuleRowsAreRewrittenInPlace) {
  const BmpShape s{.width = 30, .height = 20, .fileHeader = false};
  const auto resource = buildBmp(s, noisyPixel);
  // 300 bytes before the resource, 50 after it
  std::vector<uint8_t> module(300 + resource.size() + 50, 0x66);
  std::fill_n(module.begin(), 300, 0x77);
  std::copy(resource.begin(), resource.end(), module.begin() + 300);
  const CarrierRegion region{300, resource.size(), true};
  writeAll(trip.dir.file("m.dll"), module);
  writeAll(trip.dir.file("t.dll"), module);  // the module handler copies the module first
  auto src = platform::File::openRead(trip.dir.file("m.dll"));
  IdentificationRecord record;
  ASSERT_TRUE(
      format_ops::count<BmpFormat>({trip.workspace, Operation::kCount}, src, region, record));
  trip.randomStream(100);
  {
    auto dst = platform::File::openReadWrite(trip.dir.file("t.dll"));
    auto stream = platform::File::openRead(trip.dir.file("stream.tmp"));
    HideJob job{&stream, {}};
    double percentage;
    ASSERT_TRUE(format_ops::hide<BmpFormat>({trip.workspace, Operation::kHide}, src, dst, region,
                                            record.type, {0, record.carrierBits, 800}, job,
                                            percentage));
  }
  const auto target = readAll(trip.dir.file("t.dll"));
  std::vector<uint8_t> mask(module.size(), 0);
  const auto inner = unitBitMask(s, resource);
  std::copy(inner.begin(), inner.end(), mask.begin() + 300);
  expectOnlyMaskedBitsDiffer(module, target, mask);
  EXPECT_NE(module, target);
  auto hidden = platform::File::openRead(trip.dir.file("t.dll"));
  auto temp = platform::File::createTruncate(trip.dir.file("sink"));
  ExtractionSink sink(trip.workspace, temp);
  ASSERT_TRUE(format_ops::read<BmpFormat>({trip.workspace, Operation::kExtract}, hidden, region,
                                          record.type, record.carrierBits, sink));
  ASSERT_TRUE(sink.flush());
  temp.close();
  const auto bits = readAll(trip.dir.file("sink"));
  EXPECT_TRUE(std::equal(trip.streamBytes.begin(), trip.streamBytes.end(), bits.begin()));
}

TEST_F(BmpHandlerTest, ExtractingAtAnotherLevelFindsTheWrongNumberOfUnits) {
  writeAll(trip.dir.file("l.bmp"), buildBmp(BmpShape{}, noisyPixel));
  trip.expectRoundTrip("l.bmp", CarrierType::kBmpColour, 100);
  auto record = trip.countFile(trip.dir.file("l.bmp"), CarrierType::kBmpColour);
  trip.workspace.options.setLevel(LevelFormat::kBmp, 5);
  std::vector<uint8_t> bits;
  EXPECT_FALSE(trip.extract(trip.dir.file("target_l.bmp"),
                            {record.type, record.carrierBits, {}, trip.dir.file("target_l.bmp")},
                            bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kWrongCarrierBitsNumber});
}

TEST_F(BmpHandlerTest, ImageMagickBitmapsRoundTrip) {
  const std::pair<const char*, CarrierType> fixtures[] = {
      {"bmp_v3_24.bmp", CarrierType::kBmpColour}, {"bmp_v3_32.bmp", CarrierType::kBmpColour},
      {"bmp_v4_32.bmp", CarrierType::kBmpColour}, {"bmp_v5_24.bmp", CarrierType::kBmpColour},
      {"bmp_v5_32.bmp", CarrierType::kBmpColour}, {"bmp_grey_24.bmp", CarrierType::kBmpGrey},
  };
  for (auto [name, type] : fixtures) {
    const auto source = readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
    ASSERT_FALSE(source.empty()) << name;
    writeAll(trip.dir.file(name), source);
    EXPECT_EQ(trip.countFile(trip.dir.file(name), CarrierType::kBmpColour).type, type) << name;
    trip.expectRoundTrip(name, CarrierType::kBmpColour, 150);
  }
}

ConformanceFile conformanceBmp(const BmpShape& shape, const PixelAt& pixel, uint32_t minBits) {
  BmpShape s = shape;
  // Grey pixels give a third of the units: enough rows for minBits either way.
  s.height = static_cast<int32_t>((minBits + 2000) / s.width + 1);
  ConformanceFile file{buildBmp(s, pixel), {}};
  file.unitBitMask = unitBitMask(s, file.bytes);
  return file;
}

// Colour24 has padded rows (33 pixels); no tail after them, as the suite cuts the last byte.
INSTANTIATE_TEST_SUITE_P(
    Bmp, CarrierConformance,
    ::testing::Values(
        ConformanceCarrier{"Colour24", "c.bmp", CarrierType::kBmpColour,
                           [](uint32_t n) { return conformanceBmp({.width = 33}, noisyPixel, n); }},
        ConformanceCarrier{"Grey24", "g.dib", CarrierType::kBmpGrey,
                           [](uint32_t n) { return conformanceBmp(BmpShape{}, greyPixel, n); }},
        ConformanceCarrier{
            "Fields32", "f.bmp", CarrierType::kBmpColour,
            [](uint32_t n) { return conformanceBmp(spec32(108, 3), noisyPixel, n); }}),
    conformanceName);

}  // namespace
}  // namespace murl::test
