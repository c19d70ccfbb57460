#include "carriers/tga/tga.h"

#include <gtest/gtest.h>

#include <cstring>

#include "carriers/conformance.h"
#include "carriers/round_trip.h"
#include "carriers/tga/tga_rest.h"
#include "platform/byte_order.h"
#include "support/raster_builder.h"

namespace murl::test {
namespace {

bool parses(const TgaShape& shape) {
  const auto bytes = buildTga(shape, noisyPixel);
  tga::TgaLayout layout;
  return tga::parseTga(std::span<const uint8_t, tga::kHeaderSize>(bytes.data(), 18), layout);
}

TEST(TgaHeader, AcceptsTrueColourAndGreyRawOrCoded) {
  const TgaShape accepted[] = {
      {.type = 2, .depth = 24},
      {.type = 2, .depth = 32},
      {.type = 10, .depth = 24},
      {.type = 10, .depth = 32},
      {.type = 3, .depth = 8},
      {.type = 11, .depth = 8},
      {.idLength = 200},
      // A map type without entries puts nothing before the pixels.
      {.colourMapType = 1, .mapLength = 0, .mapEntryBits = 24},
  };
  for (const TgaShape& s : accepted) EXPECT_TRUE(parses(s)) << int{s.type} << "/" << int{s.depth};
}

TEST(TgaHeader, RefusesColourMappedSixteenBitAndMismatchedDepths) {
  const std::pair<const char*, TgaShape> refused[] = {
      {"colour-mapped", {.type = 1, .depth = 8}},
      {"colour-mapped, coded", {.type = 9, .depth = 8}},
      {"16-bit true-colour", {.type = 2, .depth = 16}},
      {"16-bit true-colour, coded", {.type = 10, .depth = 16}},
      {"8-bit true-colour", {.type = 2, .depth = 8}},
      {"24-bit grey", {.type = 3, .depth = 24}},
      {"16-bit grey", {.type = 11, .depth = 16}},
      {"black and white, coded", {.type = 32, .depth = 8}},
      {"map entries before the pixels", {.colourMapType = 1, .mapLength = 4, .mapEntryBits = 24}},
  };
  for (const auto& [defect, s] : refused) EXPECT_FALSE(parses(s)) << defect;
}

TEST(TgaHeader, PixelsMustFitTheFileAtTheDensestCoding) {
  for (uint8_t type : {2, 10}) {
    const auto bytes = buildTga(TgaShape{.type = type, .depth = 24}, noisyPixel);
    tga::TgaLayout layout;
    ASSERT_TRUE(tga::parseTga(std::span<const uint8_t, 18>(bytes.data(), 18), layout));
    // Coded: a header byte and one pixel per 128 pixels; raw: every pixel's three bytes.
    const uint64_t pixels = layout.pixelCount();
    const uint64_t least =
        layout.pixelStart() + (type == 10 ? (pixels + 127) / 128 * 4 : pixels * 3);
    EXPECT_TRUE(tga::pixelsFit(layout, least)) << int{type};
    EXPECT_FALSE(tga::pixelsFit(layout, least - 1)) << int{type};
    EXPECT_FALSE(tga::pixelsFit(layout, 10)) << int{type};
  }
}

// Rows decoded one after another from the same packets.
struct Decoded {
  std::vector<std::vector<uint8_t>> rows;
  std::vector<uint64_t> ends;  // the window's offset after each row
  bool ok = true;
};
Decoded decodeRows(const std::vector<uint8_t>& packets, uint32_t width, uint32_t b, int rows) {
  TempDir dir;
  writeAll(dir.file("p"), packets);
  auto file = platform::realFileSystem().openRead(dir.file("p"));
  std::vector<uint8_t> window(8192);
  ReadWindow in(file, window.data(), window.size(), 0);
  tga::RowDecoder decoder(b);
  Decoded out;
  for (int r = 0; r < rows && out.ok; ++r) {
    out.rows.emplace_back(size_t{width} * b);
    out.ok = decoder.decode(in, out.rows.back().data(), width);
    out.ends.push_back(in.offset());
  }
  return out;
}

TEST(TgaRowDecoder, RunPacketTenPixelsBeforeTheRowEndSuppliesTheNextRow) {
  std::vector<uint8_t> packets = {117};  // raw, 118 pixels
  for (int i = 0; i < 118; ++i) packets.insert(packets.end(), {1, 2, static_cast<uint8_t>(i)});
  packets.insert(packets.end(), {0xFF, 7, 8, 9});  // run of 128
  packets.insert(packets.end(), {9});              // raw, 10 pixels
  for (int i = 0; i < 10; ++i) packets.insert(packets.end(), {4, 5, static_cast<uint8_t>(i)});
  const Decoded d = decodeRows(packets, 128, 3, 2);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.ends, (std::vector<uint64_t>{1 + 354 + 4, packets.size()}));
  for (int x = 118; x < 128; ++x) EXPECT_EQ(d.rows[0][3 * x + 2], 9) << x;
  for (int x = 0; x < 118; ++x) EXPECT_EQ(d.rows[1][3 * x], 7) << x;
  EXPECT_EQ(d.rows[1][3 * 118], 4);
  EXPECT_EQ(d.rows[1][3 * 127 + 2], 9);
}

TEST(TgaRowDecoder, RawPacketsRunOnOverSeveralRowsAndMustBeWhole) {
  std::vector<uint8_t> packets = {127};  // 128 grey pixels over rows of 50
  for (int i = 0; i < 128; ++i) packets.push_back(static_cast<uint8_t>(i));
  packets.insert(packets.end(), {0x95, 0xAA});  // run of 22
  const Decoded d = decodeRows(packets, 50, 1, 3);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rows[1][0], 50);
  EXPECT_EQ(d.rows[2][27], 127);
  EXPECT_EQ(d.rows[2][28], 0xAA);
  EXPECT_EQ(d.ends, (std::vector<uint64_t>{129, 129, 131}));
  packets.pop_back();  // the run's pixel is missing
  EXPECT_FALSE(decodeRows(packets, 50, 1, 3).ok);
  EXPECT_FALSE(decodeRows({4, 1, 2, 3}, 5, 1, 1).ok);  // raw packet of 5 with 3 pixels
}

// What the encoder writes for rows of grey pixels, the last row being the last of the image.
std::vector<uint8_t> encodeRows(const std::vector<std::vector<uint8_t>>& rows) {
  tga::RowEncoder encoder(1);
  std::vector<uint8_t> out;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::vector<uint8_t> buffer(tga::RowEncoder::kHeldRoom + rows[r].size());
    std::copy(rows[r].begin(), rows[r].end(), buffer.begin() + tga::RowEncoder::kHeldRoom);
    const uint32_t width = static_cast<uint32_t>(rows[r].size());
    std::vector<uint8_t> coded(encoder.bound(width));
    coded.resize(encoder.encode(buffer.data() + tga::RowEncoder::kHeldRoom, width,
                                r + 1 == rows.size(), coded.data()));
    out.insert(out.end(), coded.begin(), coded.end());
  }
  return out;
}

TEST(TgaRowEncoder, HoldsBackWhatCouldGrowWithTheNextRow) {
  using Rows = std::vector<std::vector<uint8_t>>;
  using Bytes = std::vector<uint8_t>;
  const std::tuple<const char*, Rows, Bytes> cases[] = {
      {"raw row held, then split where a run begins",
       {{1, 2, 3, 4}, {4, 4, 5, 5}},
       {0x02, 1, 2, 3, 0x82, 4, 0x81, 5}},
      {"single row is coded whole", {{7, 7, 7}}, {0x82, 7}},
      {"run of 130 is 128 and 2", {Bytes(130, 9)}, {0xFF, 9, 0x81, 9}},
      {"run reaching the row end goes on", {{1, 5, 5}, {5, 6}}, {0x00, 1, 0x82, 5, 0x00, 6}},
      {"full run at a row end is written", {Bytes(128, 3), {4}}, {0xFF, 3, 0x00, 4}},
      {"raw stretch stops at 128",
       {[] {
         Bytes b(129);
         for (int i = 0; i < 129; ++i) b[i] = static_cast<uint8_t>(i);
         return b;
       }()},
       [] {
         Bytes b{0x7F};
         for (int i = 0; i < 128; ++i) b.push_back(static_cast<uint8_t>(i));
         b.insert(b.end(), {0x00, 128});
         return b;
       }()},
  };
  for (const auto& [name, rows, expected] : cases) EXPECT_EQ(encodeRows(rows), expected) << name;
}

// A version 2 footer with every part: colour correction table, postage stamp of 3 x 2 pixels,
// extension area with a scan line table offset, a directory of three tags (the second without
// data), starting `gap` bytes after the pixel data at `pixelEnd`.
std::vector<uint8_t> footerTail(size_t pixelEnd, uint32_t b, size_t gap) {
  std::vector<uint8_t> tail(gap, 0x5A);
  auto here = [&] { return static_cast<uint32_t>(pixelEnd + tail.size()); };
  const uint32_t colourTable = here();
  for (int i = 0; i < 2048; ++i) tail.push_back(static_cast<uint8_t>(i * 5));
  const uint32_t stamp = here();
  tail.insert(tail.end(), {3, 2});
  for (uint32_t i = 0; i < 6 * b; ++i) tail.push_back(static_cast<uint8_t>(0xE0 + i));
  const uint32_t tagData = here();
  tail.insert(tail.end(), {'t', 'a', 'g', '1'});
  const uint32_t extension = here();
  std::vector<uint8_t> area(495, 0x11);
  storeLe16(&area[0], 495);
  storeLe32(&area[482], colourTable);
  storeLe32(&area[486], stamp);
  storeLe32(&area[490], 0x12345);
  tail.insert(tail.end(), area.begin(), area.end());
  const uint32_t lastTag = here();
  tail.insert(tail.end(), {'x', 'y'});
  const uint32_t directory = here();
  std::vector<uint8_t> dir(2 + 30, 0);
  storeLe16(&dir[0], 3);
  const uint32_t entries[3][3] = {{1, tagData, 4}, {2, 0, 9}, {3, lastTag, 2}};
  for (int t = 0; t < 3; ++t) {
    storeLe16(&dir[2 + 10 * t], static_cast<uint16_t>(entries[t][0]));
    storeLe32(&dir[4 + 10 * t], entries[t][1]);
    storeLe32(&dir[8 + 10 * t], entries[t][2]);
  }
  tail.insert(tail.end(), dir.begin(), dir.end());
  std::vector<uint8_t> footer(26, 0);
  storeLe32(&footer[0], extension);
  storeLe32(&footer[4], directory);
  std::memcpy(&footer[8], "TRUEVISION-XFILE.", 18);
  tail.insert(tail.end(), footer.begin(), footer.end());
  return tail;
}

// The `size` bytes at the offset stored at `field` of `file`.
std::vector<uint8_t> pointedAt(const std::vector<uint8_t>& file, size_t field, size_t size) {
  const uint32_t at = loadLe32(&file[field]);
  if (at == 0 || at + size > file.size()) return {};
  return {file.begin() + at, file.begin() + at + size};
}

class TgaHandlerTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> hide(const std::vector<uint8_t>& source, size_t streamBytes,
                            IdentificationRecord& record) {
    return trip.hideBytes(source, "h.tga", CarrierType::kTga, streamBytes, record);
  }
  // Alpha bytes equal, colour bytes equal but for bit 0, in the decoded pixels of both files.
  static void expectOnlyUnitBitsOfPixelsDiffer(const std::vector<uint8_t>& source,
                                               const std::vector<uint8_t>& target) {
    const DecodedTga before = decodeTga(source), after = decodeTga(target);
    ASSERT_TRUE(after.ok);
    ASSERT_EQ(before.pixels.size(), after.pixels.size());
    const size_t b = source[16] / 8;
    for (size_t i = 0; i < before.pixels.size(); ++i) {
      const uint8_t mayChange = i % b < 3 ? 1 : 0;
      ASSERT_EQ((before.pixels[i] ^ after.pixels[i]) & ~mayChange, 0) << "byte " << i;
    }
  }
  RoundTrip trip;
};

TEST_F(TgaHandlerTest, OutputOptionChangesTheTypeAndKeepsThePixels) {
  struct Case {
    uint8_t sourceType, depth;
    RleOutput output;
    uint8_t targetType;
  };
  const Case cases[] = {
      {2, 24, RleOutput::kCompressed, 10},   {3, 8, RleOutput::kCompressed, 11},
      {10, 32, RleOutput::kUncompressed, 2}, {11, 8, RleOutput::kUncompressed, 3},
      {10, 24, RleOutput::kAsOriginal, 10},  {2, 32, RleOutput::kAsOriginal, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.sourceType} << "/" << int{c.depth});
    trip.workspace.options.tgaOutput = c.output;
    const auto source =
        buildTga({.width = 45, .height = 40, .type = c.sourceType, .depth = c.depth, .idLength = 5},
                 blockyPixel);
    IdentificationRecord record;
    const auto target = hide(source, 100, record);
    ASSERT_GT(target.size(), 23u);
    EXPECT_EQ(target[2], c.targetType);
    EXPECT_TRUE(std::equal(source.begin() + 3, source.begin() + 23, target.begin() + 3));
    expectOnlyUnitBitsOfPixelsDiffer(source, target);
    EXPECT_EQ(decodeTga(target).end, target.size());
    trip.expectStreamIn("h.tga", record);
  }
}

TEST_F(TgaHandlerTest, UncompressedTargetOfACodedSourceHasExactlyItsPixelBytesBeforeTheFooter) {
  trip.workspace.options.tgaOutput = RleOutput::kUncompressed;
  TgaShape shape{.width = 41, .height = 30, .type = 10, .depth = 32, .idLength = 7};
  const size_t codedEnd = buildTga(shape, blockyPixel).size();
  shape.tail = footerTail(codedEnd, 4, 0);
  IdentificationRecord record;
  const auto target = hide(buildTga(shape, blockyPixel), 80, record);
  const size_t pixelEnd = 18 + 7 + 41 * 30 * 4;
  ASSERT_GT(target.size(), pixelEnd);
  EXPECT_EQ(target[2], 2);
  EXPECT_EQ(decodeTga(target).end, pixelEnd);
  EXPECT_EQ(loadLe32(&target[target.size() - 26]), pixelEnd + 2048 + 2 + 6 * 4);
  trip.expectStreamIn("h.tga", record);
}

TEST_F(TgaHandlerTest, FooterPartsFollowTheTargetsPixelsWithTheirOffsetsRewritten) {
  trip.workspace.options.tgaOutput = RleOutput::kCompressed;
  TgaShape shape{.width = 40, .height = 30, .type = 2, .depth = 24};
  const size_t pixelEnd = tgaPixelStart(shape) + 40 * 30 * 3;
  shape.tail = footerTail(pixelEnd, 3, 37);
  const auto source = buildTga(shape, noisyPixel);
  IdentificationRecord record;
  const auto target = hide(source, 80, record);
  const size_t targetEnd = decodeTga(target).end;
  ASSERT_GT(targetEnd, pixelEnd);  // noise codes longer than it is
  const size_t footer = target.size() - 26;
  EXPECT_EQ(std::memcmp(&target[footer + 8], "TRUEVISION-XFILE.", 18), 0);
  const auto area = pointedAt(target, footer, 495);
  ASSERT_EQ(area.size(), 495u);
  EXPECT_EQ(loadLe16(&area[0]), 495);
  EXPECT_EQ(loadLe32(&area[490]), 0u);  // scan line table
  const size_t sourceArea = loadLe32(&source[source.size() - 26]);
  EXPECT_TRUE(std::equal(area.begin() + 2, area.begin() + 482, source.begin() + sourceArea + 2));
  // The colour table comes first, right after the pixels; the stamp after it.
  EXPECT_EQ(loadLe32(&area[482]), targetEnd);
  const size_t areaAt = loadLe32(&target[footer]);
  const size_t sourceFooter = source.size() - 26;
  EXPECT_EQ(pointedAt(target, areaAt + 482, 2048), pointedAt(source, sourceArea + 482, 2048));
  EXPECT_EQ(pointedAt(target, areaAt + 486, 20), pointedAt(source, sourceArea + 486, 20));
  const size_t dir = loadLe32(&target[footer + 4]);
  ASSERT_EQ(dir + 32, footer);  // the directory right before the footer
  EXPECT_EQ(loadLe16(&target[dir]), 3);
  const size_t sourceDir = loadLe32(&source[sourceFooter + 4]);
  EXPECT_EQ(pointedAt(target, dir + 4, 4), pointedAt(source, sourceDir + 4, 4));
  EXPECT_EQ(loadLe32(&target[dir + 14]), 0u);  // a tag without data
  EXPECT_EQ(loadLe32(&target[dir + 18]), 9u);
  EXPECT_EQ(pointedAt(target, dir + 24, 2), pointedAt(source, sourceDir + 24, 2));
  EXPECT_GE(loadLe32(&target[dir + 4]), areaAt + 495);
  trip.expectStreamIn("h.tga", record);
}

TEST_F(TgaHandlerTest, WhatFollowsThePixelsMustBeAFooterOnceItCouldHoldOne) {
  const TgaShape base{.width = 40, .height = 30};
  const size_t pixelEnd = 18 + 40 * 30 * 3;
  TgaShape shortTail = base;
  shortTail.tail.assign(25, 0x77);
  IdentificationRecord record;
  const auto target = hide(buildTga(shortTail, noisyPixel), 40, record);
  EXPECT_TRUE(std::equal(target.end() - 25, target.end(), shortTail.tail.begin()));
  auto footerAt = [&](size_t field, uint32_t offset) {
    TgaShape s = base;
    s.tail = footerTail(pixelEnd, 3, 0);
    storeLe32(&s.tail[field], offset);
    return buildTga(s, noisyPixel);
  };
  const size_t footer = footerTail(pixelEnd, 3, 0).size() - 26;
  const size_t area = 2048 + 2 + 18 + 4;
  const std::pair<const char*, std::vector<uint8_t>> refused[] = {
      {"26 bytes of private data",
       [&] {
         TgaShape s = base;
         s.tail.assign(26, 0x77);
         return buildTga(s, noisyPixel);
       }()},
      {"extension area inside the pixels", footerAt(footer, pixelEnd - 1)},
      {"directory inside the pixels", footerAt(footer + 4, 100)},
      {"colour table inside the pixels", footerAt(area + 482, 18)},
      {"stamp beyond the end of the file", footerAt(area + 486, 0x7FFFFFFF)},
      {"tag data inside the pixels", footerAt(area + 495 + 2 + 2 + 2, 40)},
  };
  for (const auto& [defect, bytes] : refused) {
    SCOPED_TRACE(defect);
    EXPECT_TRUE(trip.count(bytes, "r.tga", CarrierType::kTga).rejected);
    // A hide that was counted before the file changed refuses it too.
    trip.randomStream(40);
    double percentage;
    const std::string path = trip.dir.file("r.tga");
    EXPECT_FALSE(
        trip.hide(path, "rt.tga", {CarrierType::kTga, 600, {}, path}, {0, 600, 320}, percentage));
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadSourceFile});
    trip.reporter.clear();
  }
}

TEST_F(TgaHandlerTest, AlphaBytesOfCodedPixelsAreUnchanged) {
  IdentificationRecord record;
  const auto source = buildTga(
      {.width = 50, .height = 40, .type = 10, .depth = 32, .descriptor = 0x28}, blockyPixel);
  const auto target = hide(source, 200, record);
  expectOnlyUnitBitsOfPixelsDiffer(source, target);
  EXPECT_EQ(target[17], 0x28);
  trip.expectStreamIn("h.tga", record);
}

// The units as the test's own decoding finds them: bytes 0, 1, 2 of each pixel (never alpha), or
// the one byte of a grey pixel, in file order.
UnitModel tgaModel(const std::vector<uint8_t>& file) {
  const DecodedTga d = decodeTga(file);
  UnitModel model{{}, static_cast<uint32_t>((d.width & 15) + (d.height & 15) + 3), 1};
  for (size_t i = 0; i < d.pixels.size(); ++i) {
    if (i % d.pixelBytes < 3 && d.pixels[i] >= 16) model.unitBits.push_back(d.pixels[i] & 1);
  }
  return model;
}

ConformanceFile conformanceTga(TgaShape shape, const PixelAt& pixel, uint32_t minBits) {
  shape.height = (minBits + 2000) / shape.width + 1;
  ConformanceFile file{buildTga(shape, pixel), {}, tgaModel};
  if (shape.type < 9) {
    const size_t b = shape.depth / 8;
    file.unitBitMask.assign(file.bytes.size(), 0);
    for (size_t i = 0; i < size_t{shape.width} * shape.height * b; ++i) {
      file.unitBitMask[tgaPixelStart(shape) + i] = i % b < 3 ? 1 : 0;
    }
  }
  return file;
}

// What follows the pixels may be cut without harm to them.
ConformanceCarrier tgaFixture(const char* name, const char* file) {
  return {name, file, CarrierType::kTga, [file](uint32_t) {
            ConformanceFile fixture = fixtureFile(file);
            fixture.model = tgaModel;
            fixture.cutBelow = decodeTga(fixture.bytes).end;
            return fixture;
          }};
}

INSTANTIATE_TEST_SUITE_P(TgaFixtures, CarrierConformance,
                         ::testing::Values(tgaFixture("FfmpegFooter", "tga_ff_rle_tl.tga"),
                                           tgaFixture("FfmpegAlpha", "tga_ff_raw32_tl.tga"),
                                           tgaFixture("NetpbmId", "tga_netpbm_rle_id.tga")),
                         conformanceName);

INSTANTIATE_TEST_SUITE_P(
    Tga, CarrierConformance,
    ::testing::Values(
        ConformanceCarrier{
            "Raw24", "r.tga", CarrierType::kTga,
            [](uint32_t n) { return conformanceTga({.width = 33, .idLength = 9}, noisyPixel, n); }},
        ConformanceCarrier{
            "Raw32", "a.icb", CarrierType::kTga,
            [](uint32_t n) { return conformanceTga({.width = 20, .depth = 32}, noisyPixel, n); }},
        ConformanceCarrier{
            "Coded24", "c.vda", CarrierType::kTga,
            [](uint32_t n) { return conformanceTga({.width = 45, .type = 10}, blockyPixel, n); }},
        ConformanceCarrier{"RawGrey", "g.tga", CarrierType::kTga,
                           [](uint32_t n) {
                             return conformanceTga({.width = 32, .type = 3, .depth = 8}, greyPixel,
                                                   n);
                           }},
        ConformanceCarrier{"CodedGrey", "k.vst", CarrierType::kTga,
                           [](uint32_t n) {
                             return conformanceTga({.width = 31, .type = 11, .depth = 8},
                                                   blockyPixel, n);
                           }}),
    conformanceName);

}  // namespace
}  // namespace murl::test
