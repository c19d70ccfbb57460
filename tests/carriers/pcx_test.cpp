#include "carriers/pcx/pcx.h"

#include <gtest/gtest.h>

#include "carriers/conformance.h"
#include "platform/byte_order.h"
#include "support/raster_builder.h"

namespace murl::test {
namespace {

bool parses(const Bytes& file) {
  pcx::PcxLayout layout;
  return pcx::parsePcx(std::span<const uint8_t, pcx::kHeaderSize>(file.data(), 128), layout);
}

// tests/data/pcx_headers.txt: a raw header of 32 x 24 pixels, bent.
TEST(PcxHeader, AcceptsThreePlanesOfEightBitsWithEvenLinesOnly) {
  Bytes raw = rawPcx(32, 24, noisyPixel);
  raw.resize(pcx::kHeaderSize);
  const auto cases = editedCases("pcx_headers.txt", raw);
  ASSERT_EQ(cases.size(), 16u);
  for (const auto& [accepted, bytes, what] : cases) EXPECT_EQ(parses(bytes), accepted) << what;
}

// A header is refused when its scanlines could not fit the file even at the densest coding: each
// scanline of 3 x 126 bytes takes at least 12 bytes coded, 378 raw.
TEST(PcxHeader, ScanlinesMustFitTheFileAtTheDensestCoding) {
  const Bytes raw = rawPcx(126, 10, noisyPixel);
  for (bool coded : {true, false}) {
    pcx::PcxLayout layout;
    const Bytes file = patched(raw, 2, {uint8_t{coded}});
    ASSERT_TRUE(pcx::parsePcx(std::span<const uint8_t, 128>(file.data(), 128), layout));
    const uint64_t least = 128 + 10 * (coded ? 12 : 378);
    EXPECT_TRUE(pcx::linesFit(layout, least)) << coded;
    EXPECT_FALSE(pcx::linesFit(layout, least - 1)) << coded;
  }
}

// Decodes a scanline of `lineBytes` from `codes`; the offset after it, or -1 when it fails.
int64_t decodeOne(const Bytes& codes, uint32_t lineBytes, Bytes& line) {
  TempDir dir;
  writeAll(dir.file("codes"), codes);
  auto file = platform::realFileSystem().openRead(dir.file("codes"));
  Bytes window(4096);
  ReadWindow in(file, window.data(), window.size(), 0);
  line.assign(lineBytes, 0);
  return pcx::decodeScanline(in, line.data(), lineBytes) ? int64_t(in.offset()) : -1;
}

TEST(PcxScanline, DecodesRunsAcrossPlaneLinesButNotAcrossScanlines) {
  Bytes line;
  // Three plane lines of two bytes: a run of three crosses from plane 0 into plane 1; the next
  // scanline starts at 0x99.
  EXPECT_EQ(decodeOne({0xC3, 0x44, 0x01, 0xC1, 0xC7, 0x02, 0x99}, 6, line), 6);
  EXPECT_EQ(line, (Bytes{0x44, 0x44, 0x44, 0x01, 0xC7, 0x02}));
  EXPECT_EQ(decodeOne({0xC0, 0x55, 0x01, 0x02}, 2, line), 4);  // a count of zero makes nothing
  EXPECT_EQ(line, (Bytes{0x01, 0x02}));
  const std::pair<const char*, Bytes> failing[] = {
      {"run crosses into the next scanline", {0x01, 0x02, 0xC5, 0x33, 0x00}},
      {"codes run out", {0x01, 0x02, 0x03}},
      {"count byte is the last byte", {0x01, 0x02, 0x03, 0x04, 0xC2}},
      {"nothing at all", {}},
      // Twelve empty runs fill the 2 x 6 bytes a scanline may take before its first byte.
      {"codes longer than twice the scanline",
       {0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0, 1, 2, 3, 4, 5, 6}},
  };
  for (const auto& [defect, codes] : failing) EXPECT_EQ(decodeOne(codes, 6, line), -1) << defect;
}

// The units as the test's own decoding finds them at the default level: plane 0, 1, 2 bytes of
// each pixel, pixels left to right, scanlines top to bottom; plane 0 bytes alone when every pixel
// is grey.
UnitModel pcxModel(const Bytes& file) {
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

// The target decodes to the source's scanlines but for bit 0 of pixel bytes, with zero padding
// when coded; its header is the source's but for the coding, and what follows the scanlines is
// the source's.
void expectSamePicture(const Bytes& source, const Bytes& target, uint8_t coding) {
  const DecodedPcx before = decodePcx(source), after = decodePcx(target);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(target[2], coding);
  EXPECT_TRUE(std::equal(source.begin() + 3, source.begin() + 128, target.begin() + 3));
  EXPECT_TRUE(std::equal(source.begin() + before.end, source.end(), target.begin() + after.end,
                         target.end()));
  ASSERT_EQ(before.lines.size(), after.lines.size());
  for (size_t i = 0; i < before.lines.size(); ++i) {
    const bool padding = i % before.bytesPerLine >= before.width;
    const uint8_t expected = padding && coding == 1 ? 0 : before.lines[i];
    ASSERT_EQ((after.lines[i] ^ expected) & (padding ? 0xFF : 0xFE), 0) << "byte " << i;
  }
}

// A PCX written with the output option; a built one is made tall enough for the bits wanted.
ConformanceCarrier pcx(const char* name, CarrierType type, RleOutput output, const char* fixture,
                       uint32_t width = 0, const PixelAt& pixel = noisyPixel, uint8_t padding = 0) {
  Options options;
  options.pcxOutput = output;
  return {name,
          std::string(name) + ".pcx",
          type,
          [=](uint32_t minBits) {
            ConformanceFile file{fixture
                                     ? readFixture(fixture)
                                     : rawPcx(width, (minBits + 2000) / width + 1, pixel, padding)};
            const uint8_t coding = output == RleOutput::kCompressed     ? 1
                                   : output == RleOutput::kUncompressed ? 0
                                                                        : file.bytes[2];
            file.model = pcxModel;
            file.expectSameOutsideUnits = [coding](const Bytes& source, const Bytes& target) {
              expectSamePicture(source, target, coding);
            };
            return file;
          },
          true,
          options};
}

constexpr auto kColour = CarrierType::kPcxColour;
constexpr auto kGrey = CarrierType::kPcxGrey;
constexpr auto kAsOriginal = RleOutput::kAsOriginal;

// The images of ffmpeg, ImageMagick and netpbm, then built ones with odd widths and padding;
// the output options turn the coding around.
INSTANTIATE_TEST_SUITE_P(
    Pcx, CarrierConformance,
    ::testing::Values(pcx("FfmpegOddWidth", kColour, kAsOriginal, "pcx_ff_odd.pcx"),
                      pcx("MagickRaw", kColour, kAsOriginal, "pcx_im_raw.pcx"),
                      pcx("MagickCoded", kColour, kAsOriginal, "pcx_im_rle.pcx"),
                      pcx("Netpbm", kColour, kAsOriginal, "pcx_netpbm.pcx"),
                      pcx("MagickGrey", kGrey, kAsOriginal, "pcx_im_grey.pcx"),
                      pcx("MagickRawToCoded", kColour, RleOutput::kCompressed, "pcx_im_raw.pcx"),
                      pcx("FfmpegToRaw", kColour, RleOutput::kUncompressed, "pcx_ff_odd.pcx"),
                      pcx("GreyToRaw", kGrey, RleOutput::kUncompressed, "pcx_im_grey.pcx"),
                      pcx("RawPaddedOddWidth", kColour, kAsOriginal, nullptr, 33, noisyPixel, 0x99),
                      pcx("RawPaddedToCoded", kColour, RleOutput::kCompressed, nullptr, 41,
                          noisyPixel, 0xEE),
                      pcx("RawGreyPadded", kGrey, kAsOriginal, nullptr, 31, greyPixel, 0x77)),
    conformanceName);

}  // namespace
}  // namespace murl::test
