#include "carriers/tga/tga.h"

#include <gtest/gtest.h>

#include <cstring>

#include "carriers/conformance.h"
#include "carriers/tga/tga_rest.h"
#include "platform/byte_order.h"
#include "support/raster_builder.h"

namespace murl::test {
namespace {

// tests/data/tga_headers.txt: a raw 24-bit header of 32 x 24 pixels, bent.
TEST(TgaHeader, AcceptsTrueColourAndGreyRawOrCodedOnly) {
  const auto cases = editedCases("tga_headers.txt", rawTga(32, 24, 24, noisyPixel));
  ASSERT_EQ(cases.size(), 17u);
  for (const auto& [accepted, bytes, what] : cases) {
    tga::TgaLayout layout;
    EXPECT_EQ(tga::parseTga(std::span<const uint8_t, tga::kHeaderSize>(bytes.data(), 18), layout),
              accepted)
        << what;
  }
}

// What the encoder writes for rows of grey pixels, the last row being the last of the image.
Bytes encodeRows(const std::vector<Bytes>& rows) {
  tga::RowEncoder encoder(1);
  Bytes out;
  for (size_t r = 0; r < rows.size(); ++r) {
    Bytes buffer(tga::RowEncoder::kHeldRoom + rows[r].size());
    std::copy(rows[r].begin(), rows[r].end(), buffer.begin() + tga::RowEncoder::kHeldRoom);
    const uint32_t width = static_cast<uint32_t>(rows[r].size());
    Bytes coded(encoder.bound(width));
    coded.resize(encoder.encode(buffer.data() + tga::RowEncoder::kHeldRoom, width,
                                r + 1 == rows.size(), coded.data()));
    out.insert(out.end(), coded.begin(), coded.end());
  }
  return out;
}

// A header is refused when its pixels could not fit the file even at the densest coding: coded,
// a packet header and one pixel per 128 pixels; raw, every pixel's three bytes.
TEST(TgaHeader, PixelsMustFitTheFileAtTheDensestCoding) {
  for (uint8_t type : {2, 10}) {
    const Bytes file = patched(rawTga(300, 7, 24, noisyPixel), 2, {type});
    tga::TgaLayout layout;
    ASSERT_TRUE(tga::parseTga(std::span<const uint8_t, 18>(file.data(), 18), layout));
    const uint64_t pixels = 300 * 7;
    const uint64_t least = 18 + (type == 10 ? (pixels + 127) / 128 * 4 : pixels * 3);
    EXPECT_TRUE(tga::pixelsFit(layout, least)) << int{type};
    EXPECT_FALSE(tga::pixelsFit(layout, least - 1)) << int{type};
  }
}

TEST(TgaRowEncoder, HoldsBackWhatCouldGrowWithTheNextRow) {
  Bytes ramp(129), rampCoded{0x7F};
  for (int i = 0; i < 129; ++i) ramp[i] = static_cast<uint8_t>(i);
  rampCoded.insert(rampCoded.end(), ramp.begin(), ramp.end() - 1);
  rampCoded.insert(rampCoded.end(), {0x00, 128});
  const std::tuple<const char*, std::vector<Bytes>, Bytes> cases[] = {
      {"raw row held, then split where a run begins",
       {{1, 2, 3, 4}, {4, 4, 5, 5}},
       {0x02, 1, 2, 3, 0x82, 4, 0x81, 5}},
      {"single row is coded whole", {{7, 7, 7}}, {0x82, 7}},
      {"run of 130 is 128 and 2", {Bytes(130, 9)}, {0xFF, 9, 0x81, 9}},
      {"run reaching the row end goes on", {{1, 5, 5}, {5, 6}}, {0x00, 1, 0x82, 5, 0x00, 6}},
      {"full run at a row end is written", {Bytes(128, 3), {4}}, {0xFF, 3, 0x00, 4}},
      {"raw stretch stops at 128", {ramp}, rampCoded},
  };
  for (const auto& [name, rows, expected] : cases) EXPECT_EQ(encodeRows(rows), expected) << name;
}

// 40 x 30 raw pixels, 37 private bytes, then a version 2 footer with every part; the
// directory's first tag has data, its offset 6 bytes in (tests/data/README.md).
TEST(TgaCount, WhatFollowsThePixelsMustBeAFooterOnceItCouldHoldOne) {
  const Bytes file = readFixture("tga_footer_24.tga");
  const size_t pixelEnd = 18 + 40 * 30 * 3, footerAt = file.size() - 26;
  const size_t area = loadLe32(&file[footerAt]), directory = loadLe32(&file[footerAt + 4]);
  const auto pointing = [&](size_t field, uint32_t offset) {
    Bytes bytes = file;
    storeLe32(&bytes[field], offset);
    return bytes;
  };
  RoundTrip trip;
  ASSERT_GT(trip.bitsOf(file, CarrierType::kTga), 0u);
  trip.expectNoCarriers(
      CarrierType::kTga,
      {{"26 bytes of private data", rawTga(40, 30, 24, noisyPixel, 0, Bytes(26, 0x77))},
       {"extension area inside the pixels", pointing(footerAt, pixelEnd - 1)},
       {"directory inside the pixels", pointing(footerAt + 4, 100)},
       {"colour table inside the pixels", pointing(area + 482, 18)},
       {"stamp beyond the end of the file", pointing(area + 486, 0x7FFFFFFF)},
       {"tag data inside the pixels", pointing(directory + 4, 40)}});
}

// What follows a TGA's pixels as a reader takes it: with a footer, its parts (the extension
// area's offset fields set apart) and the tags' data; without, the bytes themselves.
struct Rest {
  Bytes plain, area, colours, stamp;
  std::vector<Bytes> tags;
  uint32_t scanLineTable = 0;
  bool operator==(const Rest&) const = default;
};

Rest restOf(const Bytes& file, size_t pixelEnd, size_t b) {
  Rest rest;
  const size_t size = file.size();
  if (size - pixelEnd < 26 || std::memcmp(&file[size - 18], "TRUEVISION-XFILE.", 18) != 0) {
    rest.plain.assign(file.begin() + pixelEnd, file.end());
    return rest;
  }
  // A part that lies outside the file reads as a byte no part holds alone.
  const auto part = [&](uint64_t at, uint64_t n) {
    return at + n > size ? Bytes{0xEE} : Bytes(file.begin() + at, file.begin() + at + n);
  };
  if (const uint32_t area = loadLe32(&file[size - 26]); area != 0) {
    rest.area = part(area, 495);
    if (rest.area.size() != 495) return rest;
    const uint32_t colours = loadLe32(&rest.area[482]), stamp = loadLe32(&rest.area[486]);
    if (colours != 0) rest.colours = part(colours, 2048);
    const Bytes sides = stamp == 0 ? Bytes{} : part(stamp, 2);
    if (sides.size() == 2) rest.stamp = part(stamp, 2 + sides[0] * sides[1] * b);
    rest.scanLineTable = loadLe32(&rest.area[490]);
    std::fill(rest.area.begin() + 482, rest.area.end(), 0);
  }
  if (const uint32_t dir = loadLe32(&file[size - 22]); dir != 0) {
    const Bytes count = part(dir, 2);
    const Bytes entries = count.size() == 2 ? part(dir + 2, 10 * loadLe16(count.data())) : count;
    // Each tag: its id and size, then its data (none at offset 0).
    for (size_t at = 0; at + 10 <= entries.size(); at += 10) {
      const uint32_t from = loadLe32(&entries[at + 2]), bytes = loadLe32(&entries[at + 6]);
      rest.tags.emplace_back(entries.begin() + at, entries.begin() + at + 2);
      rest.tags.back().insert(rest.tags.back().end(), &entries[at + 6], &entries[at + 10]);
      if (from != 0) {
        const Bytes data = part(from, bytes);
        rest.tags.back().insert(rest.tags.back().end(), data.begin(), data.end());
      }
    }
  }
  return rest;
}

// The target holds the source's header and ID (the type as the output option says), its pixels
// but for bit 0 of colour bytes, and the parts of what follows them, the scan line table gone.
void expectSamePicture(const Bytes& source, const Bytes& target, uint8_t type) {
  const DecodedTga before = decodeTga(source), after = decodeTga(target);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(target[2], type);
  const size_t idEnd = 18 + source[0];
  EXPECT_TRUE(std::equal(source.begin() + 3, source.begin() + idEnd, target.begin() + 3));
  ASSERT_EQ(before.pixels.size(), after.pixels.size());
  for (size_t i = 0; i < before.pixels.size(); ++i) {
    const uint8_t mayChange = i % before.pixelBytes < 3 ? 1 : 0;
    ASSERT_EQ((before.pixels[i] ^ after.pixels[i]) & ~mayChange, 0) << "byte " << i;
  }
  Rest expected = restOf(source, before.end, before.pixelBytes);
  expected.scanLineTable = 0;
  EXPECT_EQ(restOf(target, after.end, after.pixelBytes), expected);
}

ConformanceCarrier tga(const char* name, RleOutput output, const char* fixture, uint32_t width = 0,
                       uint8_t idLength = 0, Bytes tail = {}) {
  Options options;
  options.tgaOutput = output;
  return {name,
          std::string(name) + ".tga",
          CarrierType::kTga,
          [=](uint32_t minBits) {
            ConformanceFile file;
            if (fixture) {
              file.bytes = readFixture(fixture);
            } else {
              file.bytes =
                  rawTga(width, (minBits + 2000) / width + 1, 24, noisyPixel, idLength, tail);
            }
            const uint8_t type = file.bytes[2];
            const uint8_t raw = type >= 10 ? type - 8 : type;
            const uint8_t expected = output == RleOutput::kCompressed     ? raw + 8
                                     : output == RleOutput::kUncompressed ? raw
                                                                          : type;
            file.expectSameOutsideUnits = [expected](const Bytes& source, const Bytes& target) {
              expectSamePicture(source, target, expected);
            };
            // What follows the pixels may be cut without harm to them.
            file.cutBelow = decodeTga(file.bytes).end;
            file.model = [](const Bytes& bytes) {
              // Bytes 0, 1, 2 of each pixel (never alpha), or a grey pixel's one byte.
              const DecodedTga d = decodeTga(bytes);
              UnitModel model{{}, static_cast<uint32_t>((d.width & 15) + (d.height & 15) + 3), 1};
              for (size_t i = 0; i < d.pixels.size(); ++i) {
                if (i % d.pixelBytes < 3 && d.pixels[i] >= 16) {
                  model.unitBits.push_back(d.pixels[i] & 1);
                }
              }
              return model;
            };
            return file;
          },
          true,
          options};
}

// Pixels past the 3 MiB the target is queued in: the queue is written out mid-image, and the
// target still holds the source's picture and gives the bits back.
TEST(TgaBlocks, BitsComeBackAcrossTheWriteQueuesEdge) {
  const Bytes original = rawTga(1024, 1100, 24, noisyPixel);
  RoundTrip trip;
  const IdentificationRecord record = trip.count(original, "big.tga", CarrierType::kTga);
  ASSERT_FALSE(record.rejected);
  const uint32_t n = record.carrierBits;
  trip.randomStream(n / 8 + 1, n);
  trip.expectBitsBack({CarrierType::kTga, n, {}, trip.dir.file("big.tga")}, "t.tga", {0, n, n});
  expectSamePicture(original, readAll(trip.dir.file("t.tga")), 2);
}

constexpr auto kAsOriginal = RleOutput::kAsOriginal;
constexpr auto kCoded = RleOutput::kCompressed;
constexpr auto kRaw = RleOutput::kUncompressed;

// The images of ffmpeg (with footers), ImageMagick and netpbm, a built one with an image ID and a
// short tail, and footers of every part; the output options turn the coding around.
INSTANTIATE_TEST_SUITE_P(
    Tga, CarrierConformance,
    ::testing::Values(tga("FfmpegCodedFooter", kAsOriginal, "tga_ff_rle_tl.tga"),
                      tga("FfmpegAlphaFooter", kAsOriginal, "tga_ff_raw32_tl.tga"),
                      tga("NetpbmCodedId", kAsOriginal, "tga_netpbm_rle_id.tga"),
                      tga("MagickRaw", kAsOriginal, "tga_im_raw_bl.tga"),
                      tga("MagickCoded", kAsOriginal, "tga_im_rle_bl.tga"),
                      tga("NetpbmCodedGrey", kAsOriginal, "tga_netpbm_grey.tga"),
                      tga("MagickGrey", kAsOriginal, "tga_im_grey.tga"),
                      tga("FfmpegAlphaToCoded", kCoded, "tga_ff_raw32_tl.tga"),
                      tga("FfmpegCodedToRaw", kRaw, "tga_ff_rle_tl.tga"),
                      tga("NetpbmGreyToRaw", kRaw, "tga_netpbm_grey.tga"),
                      tga("MagickGreyToCoded", kCoded, "tga_im_grey.tga"),
                      tga("RawIdShortTail", kAsOriginal, nullptr, 33, 9, Bytes(25, 0x77)),
                      tga("RawFullFooterToCoded", kCoded, "tga_footer_24.tga"),
                      tga("Raw32FullFooter", kAsOriginal, "tga_footer_32.tga")),
    conformanceName);

}  // namespace
}  // namespace murl::test
