#include "carriers/pcx/pcx.h"

#include <gtest/gtest.h>

#include "carriers/conformance.h"
#include "carriers/round_trip.h"
#include "support/raster_builder.h"

namespace murl::test {
namespace {

bool parses(const PcxShape& shape) {
  const auto bytes = buildPcx(shape, noisyPixel);
  pcx::PcxLayout layout;
  return pcx::parsePcx(std::span<const uint8_t, pcx::kHeaderSize>(bytes.data(), 128), layout);
}

TEST(PcxHeader, AcceptsThreePlanesOfEightBitsWithEvenLines) {
  EXPECT_TRUE(parses(PcxShape{}));
  EXPECT_TRUE(parses(PcxShape{.coded = false}));
  EXPECT_TRUE(parses(PcxShape{.width = 33}));  // 34 bytes per line
  EXPECT_TRUE(parses(PcxShape{.version = 0}));
  EXPECT_TRUE(parses(PcxShape{.xMin = 100, .yMin = 7}));
  EXPECT_TRUE(parses(PcxShape{.width = 0xFFFE, .height = 1}));
}

TEST(PcxHeader, RefusesWhatIsNotA24BitImage) {
  const std::pair<const char*, PcxShape> refused[] = {
      {"256 colours: one plane", {.planes = 1}},
      {"16 colours: four planes of one bit", {.bitsPerPixel = 1, .planes = 4}},
      {"16 colours: one plane of four bits", {.bitsPerPixel = 4, .planes = 1}},
      {"manufacturer 11", {.manufacturer = 11}},
      {"version 6", {.version = 6}},
      {"bytes per line beyond the even width", {.bytesPerLine = 34}},
      {"odd bytes per line", {.width = 33, .bytesPerLine = 33}},
      {"window maximum below its minimum",
       {.width = 0xFFF1, .height = 1, .bytesPerLine = 2, .xMin = 0x20}},
      {"even width of 0x10000", {.width = 0xFFFF, .height = 1}},
  };
  for (const auto& [defect, shape] : refused) EXPECT_FALSE(parses(shape)) << defect;
  auto bytes = buildPcx(PcxShape{}, noisyPixel);
  bytes[2] = 2;  // encoding
  pcx::PcxLayout layout;
  EXPECT_FALSE(pcx::parsePcx(std::span<const uint8_t, 128>(bytes.data(), 128), layout));
}

TEST(PcxHeader, ScanlinesMustFitTheFileAtTheDensestCoding) {
  for (bool coded : {true, false}) {
    const PcxShape shape{.width = 126, .height = 10, .coded = coded};
    const auto bytes = buildPcx(shape, noisyPixel);
    pcx::PcxLayout layout;
    ASSERT_TRUE(pcx::parsePcx(std::span<const uint8_t, 128>(bytes.data(), 128), layout));
    // Each scanline of 3 x 126 bytes takes at least 12 bytes coded, 378 raw.
    const uint64_t least = 128 + 10 * (coded ? 12 : 378);
    EXPECT_TRUE(pcx::linesFit(layout, least)) << coded;
    EXPECT_FALSE(pcx::linesFit(layout, least - 1)) << coded;
    EXPECT_FALSE(pcx::linesFit(layout, 100)) << coded;
  }
}

// Decodes a scanline of `lineBytes` from `codes` followed by `after`.
struct DecodeResult {
  bool ok;
  std::vector<uint8_t> line;
  uint64_t consumed;
};
DecodeResult decodeOne(const std::vector<uint8_t>& codes, uint32_t lineBytes) {
  TempDir dir;
  writeAll(dir.file("codes"), codes);
  auto file = platform::realFileSystem().openRead(dir.file("codes"));
  std::vector<uint8_t> window(4096);
  ReadWindow in(file, window.data(), window.size(), 0);
  DecodeResult result{false, std::vector<uint8_t>(lineBytes, 0), 0};
  result.ok = pcx::decodeScanline(in, result.line.data(), lineBytes);
  result.consumed = in.offset();
  return result;
}

TEST(PcxScanline, DecodesRunsAcrossPlaneLinesButNotAcrossScanlines) {
  // Three plane lines of two bytes: a run of three crosses from plane 0 into plane 1.
  auto crossing = decodeOne({0xC3, 0x44, 0x01, 0xC1, 0xC7, 0x02, 0x99}, 6);
  ASSERT_TRUE(crossing.ok);
  EXPECT_EQ(crossing.line, (std::vector<uint8_t>{0x44, 0x44, 0x44, 0x01, 0xC7, 0x02}));
  EXPECT_EQ(crossing.consumed, 6u);  // the next scanline starts at 0x99
  // A count of zero makes nothing.
  auto empty = decodeOne({0xC0, 0x55, 0x01, 0x02}, 2);
  ASSERT_TRUE(empty.ok);
  EXPECT_EQ(empty.line, (std::vector<uint8_t>{0x01, 0x02}));
  const std::pair<const char*, std::vector<uint8_t>> failing[] = {
      {"run crosses into the next scanline", {0x01, 0x02, 0xC5, 0x33, 0x00}},
      {"codes run out", {0x01, 0x02, 0x03}},
      {"count byte is the last byte", {0x01, 0x02, 0x03, 0x04, 0xC2}},
      {"nothing at all", {}},
      // Twelve empty runs fill the 2 x 6 bytes a scanline may take before its first byte.
      {"codes longer than twice the scanline",
       {0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 1, 2, 3, 4, 5, 6}},
  };
  for (const auto& [defect, codes] : failing) EXPECT_FALSE(decodeOne(codes, 6).ok) << defect;
}

TEST(PcxScanline, CodesRunsOfUpTo63AndLoneHighBytesAsPairs) {
  std::vector<uint8_t> line = {0x10, 0xC0, 0xFF, 0xBF, 0x20, 0x20};
  line.insert(line.end(), 70, 0xE0);
  std::vector<uint8_t> out(2 * line.size());
  out.resize(pcx::encodeScanline(line.data(), static_cast<uint32_t>(line.size()), out.data()));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x10, 0xC1, 0xC0, 0xC1, 0xFF, 0xBF, 0xC2, 0x20, 0xFF, 0xE0,
                                       0xC7, 0xE0}));
  // The worst case: every byte high and alone takes twice its length.
  std::vector<uint8_t> high(64);
  for (size_t i = 0; i < high.size(); ++i) high[i] = static_cast<uint8_t>(0xC0 + (i & 1));
  std::vector<uint8_t> coded(2 * high.size());
  EXPECT_EQ(pcx::encodeScanline(high.data(), 64, coded.data()), 128u);
}

class PcxHandlerTest : public ::testing::Test {
 protected:
  IdentificationRecord count(const PcxShape& shape, const PixelAt& pixel) {
    return trip.count(buildPcx(shape, pixel), "x.pcx", CarrierType::kPcxColour);
  }
  std::vector<uint8_t> hide(const std::vector<uint8_t>& source, size_t streamBytes,
                            IdentificationRecord& record) {
    return trip.hideBytes(source, "h.pcx", CarrierType::kPcxColour, streamBytes, record);
  }
  void expectStreamBack(const IdentificationRecord& record) {
    trip.expectStreamIn("h.pcx", record);
  }
  RoundTrip trip;
};

TEST_F(PcxHandlerTest, GreyImageIsTypeEightWithOneUnitPerPixel) {
  const PcxShape s;  // 32 x 24: lead-in 0 + 8 + 3
  uint32_t loud = 0;
  for (uint32_t r = 0; r < 24; ++r) {
    for (uint32_t x = 0; x < 32; ++x) loud += (greyPixel(x, r) & 0xFF) >= 16;
  }
  auto grey = count(s, greyPixel);
  ASSERT_FALSE(grey.rejected);
  EXPECT_EQ(grey.type, CarrierType::kPcxGrey);
  EXPECT_EQ(grey.carrierBits, loud - 544 - 11);
  // One plane byte of one pixel differs: every plane byte becomes a unit.
  auto colour =
      count(s, [](uint32_t x, uint32_t r) { return greyPixel(x, r) ^ (x + r == 0) << 16; });
  ASSERT_FALSE(colour.rejected);
  EXPECT_EQ(colour.type, CarrierType::kPcxColour);
  EXPECT_EQ(colour.carrierBits, 3 * loud - 544 - 11);
  // Padding bytes are no part of a pixel.
  PcxShape odd{.width = 33, .padding = 0x99};
  EXPECT_EQ(count(odd, greyPixel).type, CarrierType::kPcxGrey);
}

TEST_F(PcxHandlerTest, OutputOptionRecodesTheTargetAndExtractionFollows) {
  struct Case {
    const char* name;
    bool sourceCoded;
    RleOutput output;
    uint8_t targetEncoding;
  };
  const Case cases[] = {{"compressed from raw", false, RleOutput::kCompressed, 1},
                        {"uncompressed from coded", true, RleOutput::kUncompressed, 0},
                        {"raw as original", false, RleOutput::kAsOriginal, 0},
                        {"coded as original", true, RleOutput::kAsOriginal, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    trip.workspace.options.pcxOutput = c.output;
    const PcxShape shape{.width = 40, .height = 30, .coded = c.sourceCoded, .tailBytes = 769};
    const auto source = buildPcx(shape, blockyPixel);
    IdentificationRecord record;
    const auto target = hide(source, 120, record);
    ASSERT_GT(target.size(), 128u);
    EXPECT_EQ(target[2], c.targetEncoding);
    EXPECT_TRUE(std::equal(source.begin() + 3, source.begin() + 128, target.begin() + 3));
    // The palette block after the scanlines comes across unchanged.
    EXPECT_TRUE(std::equal(source.end() - 769, source.end(), target.end() - 769));
    const DecodedPcx before = decodePcx(source), after = decodePcx(target);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(after.end, target.size() - 769);
    for (size_t i = 0; i < before.lines.size(); ++i) {
      ASSERT_EQ(before.lines[i] | 1, after.lines[i] | 1) << i;
    }
    expectStreamBack(record);
    trip.workspace.options.pcxOutput = RleOutput::kAsOriginal;
    EXPECT_EQ(trip.countFile(trip.dir.file("t_h.pcx"), CarrierType::kPcxColour).carrierBits,
              record.carrierBits);
  }
}

TEST_F(PcxHandlerTest, CodedOddWidthTargetHasZeroPadding) {
  trip.workspace.options.pcxOutput = RleOutput::kCompressed;
  const PcxShape shape{.width = 41, .height = 30, .coded = false, .padding = 0xEE};
  IdentificationRecord record;
  const auto target = hide(buildPcx(shape, noisyPixel), 100, record);
  const DecodedPcx decoded = decodePcx(target);
  ASSERT_TRUE(decoded.ok);
  for (size_t line = 0; line < 3 * 30; ++line) ASSERT_EQ(decoded.lines[line * 42 + 41], 0) << line;
  expectStreamBack(record);
}

TEST_F(PcxHandlerTest, GreyTargetKeepsItsPlanesEqual) {
  for (bool coded : {false, true}) {
    IdentificationRecord record;
    const auto target =
        hide(buildPcx(PcxShape{.width = 40, .coded = coded}, greyPixel), 40, record);
    EXPECT_EQ(record.type, CarrierType::kPcxGrey);
    const DecodedPcx decoded = decodePcx(target);
    ASSERT_TRUE(decoded.ok);
    for (size_t at = 0; at < decoded.lines.size(); at += 120) {
      EXPECT_TRUE(std::equal(&decoded.lines[at], &decoded.lines[at] + 40, &decoded.lines[at] + 40));
      EXPECT_TRUE(std::equal(&decoded.lines[at], &decoded.lines[at] + 40, &decoded.lines[at] + 80));
    }
    expectStreamBack(record);
  }
}

TEST_F(PcxHandlerTest, ScanlinesThatRunOutOrOverflowAreNoCarrier) {
  auto bytes = buildPcx(PcxShape{.coded = false}, noisyPixel);
  bytes.resize(bytes.size() - 1);
  EXPECT_TRUE(trip.count(bytes, "short.pcx", CarrierType::kPcxColour).rejected);
  // The last scanline's final code made a run past its end.
  auto coded =
      buildPcx(PcxShape{.width = 32, .height = 24}, [](uint32_t, uint32_t) { return 0x404040u; });
  ASSERT_EQ(coded.back(), 0x40);
  coded[coded.size() - 2] = 0xC0 | 33;
  EXPECT_TRUE(trip.count(coded, "over.pcx", CarrierType::kPcxColour).rejected);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// The units as the test's own decoding finds them: plane 0, 1, 2 bytes of each pixel, pixels
// left to right, scanlines top to bottom; plane 0 bytes alone when every pixel is grey.
UnitModel pcxModel(const std::vector<uint8_t>& file) {
  const DecodedPcx d = decodePcx(file);
  const size_t line = 3 * d.bytesPerLine;
  bool grey = true;
  for (size_t r = 0; r < d.height; ++r) {
    for (size_t x = 0; x < d.width; ++x) {
      const uint8_t* p = &d.lines[r * line + x];
      grey = grey && p[0] == p[d.bytesPerLine] && p[0] == p[2 * d.bytesPerLine];
    }
  }
  UnitModel model{{}, static_cast<uint32_t>((d.width & 15) + (d.height & 15) + 3), 1};
  for (size_t r = 0; r < d.height; ++r) {
    for (size_t x = 0; x < d.width; ++x) {
      for (size_t p = 0; p < (grey ? 1 : 3); ++p) {
        const uint8_t value = d.lines[r * line + p * d.bytesPerLine + x];
        if (value >= 16) model.unitBits.push_back(value & 1);
      }
    }
  }
  return model;
}

ConformanceFile conformancePcx(PcxShape shape, const PixelAt& pixel, uint32_t minBits) {
  shape.height = (minBits + 2000) / shape.width + 1;
  ConformanceFile file{buildPcx(shape, pixel), {}, pcxModel};
  if (!shape.coded) {
    file.unitBitMask.assign(file.bytes.size(), 0);
    const size_t perLine = pcxBytesPerLine(shape);
    for (size_t line = 0; line < 3 * size_t{shape.height}; ++line) {
      std::fill_n(file.unitBitMask.begin() + 128 + line * perLine, shape.width, 1);
    }
  }
  return file;
}

ConformanceCarrier pcxFixture(const char* name, const char* file, CarrierType type) {
  return {name, file, type, [file](uint32_t) {
            ConformanceFile fixture = fixtureFile(file);
            fixture.model = pcxModel;
            return fixture;
          }};
}

INSTANTIATE_TEST_SUITE_P(
    PcxFixtures, CarrierConformance,
    ::testing::Values(pcxFixture("FfmpegOddWidth", "pcx_ff_odd.pcx", CarrierType::kPcxColour),
                      pcxFixture("ImageMagickRaw", "pcx_im_raw.pcx", CarrierType::kPcxColour),
                      pcxFixture("ImageMagickGrey", "pcx_im_grey.pcx", CarrierType::kPcxGrey)),
    conformanceName);

INSTANTIATE_TEST_SUITE_P(
    Pcx, CarrierConformance,
    ::testing::Values(ConformanceCarrier{"RawColour", "r.pcx", CarrierType::kPcxColour,
                                         [](uint32_t n) {
                                           return conformancePcx({.width = 33, .coded = false},
                                                                 noisyPixel, n);
                                         }},
                      ConformanceCarrier{
                          "CodedColour", "c.pcx", CarrierType::kPcxColour,
                          [](uint32_t n) { return conformancePcx({.width = 40}, blockyPixel, n); }},
                      ConformanceCarrier{"RawGrey", "g.pcx", CarrierType::kPcxGrey,
                                         [](uint32_t n) {
                                           return conformancePcx({.width = 32, .coded = false},
                                                                 greyPixel, n);
                                         }}),
    conformanceName);

}  // namespace
}  // namespace murl::test
