// The PNG header rules, the Adam7 geometry and the scanline filters, each against the test's own
// reading of the PNG standard.
#include "carriers/png/png_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "carriers/png/png_filters.h"
#include "support/png_builder.h"

namespace murl::test {
namespace {

using png::PngHeader;

bool parses(const PngShape& shape, bool writesInterlaced, PngHeader& header) {
  const auto bytes = buildPng(shape, std::vector<uint8_t>{});
  return png::parseHeader(std::span<const uint8_t, png::kHeadSize>(bytes.data(), png::kHeadSize),
                          writesInterlaced, header);
}
bool parses(const PngShape& shape, bool writesInterlaced = false) {
  PngHeader header;
  return parses(shape, writesInterlaced, header);
}

TEST(PngHeader, AcceptsGreyColourAndTheirAlphaAt8And16BitsLinearOrAdam7) {
  struct Row {
    uint8_t colourType;
    png::Layout layout;
    uint32_t bytesPerPixelAt8;
  };
  const Row rows[] = {{0, png::Layout::kGrey, 1},
                      {4, png::Layout::kGreyAlpha, 2},
                      {2, png::Layout::kColour, 3},
                      {6, png::Layout::kColourAlpha, 4}};
  for (const Row& row : rows) {
    for (uint8_t depth : {8, 16}) {
      for (uint8_t interlace : {0, 1}) {
        PngHeader h;
        const PngShape s{.width = 33,
                         .height = 17,
                         .bitDepth = depth,
                         .colourType = row.colourType,
                         .interlace = interlace};
        ASSERT_TRUE(parses(s, false, h)) << int{row.colourType} << "/" << int{depth};
        EXPECT_EQ(h.layout, row.layout);
        EXPECT_EQ(h.bytesPerPixel, row.bytesPerPixelAt8 * depth / 8);
        EXPECT_EQ(h.rowBytes, 33 * h.bytesPerPixel);
        EXPECT_EQ(h.interlaced, interlace == 1);
        EXPECT_EQ(h.units(), 33u * 17 * (row.colourType & 2 ? 3 : 1));
      }
    }
  }
}

TEST(PngHeader, RefusesWhatIsNoCarrier) {
  const std::pair<const char*, PngShape> refused[] = {
      {"palette", {.colourType = 3}},
      {"undefined colour type 8", {.colourType = 8}},
      {"undefined colour type 12", {.colourType = 12}},
      {"undefined colour type 7", {.colourType = 7}},
      {"1-bit grey", {.bitDepth = 1, .colourType = 0}},
      {"2-bit grey", {.bitDepth = 2, .colourType = 0}},
      {"4-bit grey", {.bitDepth = 4, .colourType = 0}},
      {"depth 32", {.bitDepth = 32}},
      {"compression method 1", {.compression = 1}},
      {"filter method 1", {.filterMethod = 1}},
      {"interlace method 2", {.interlace = 2}},
      {"zero width", {.width = 0}},
      {"zero height", {.height = 0}},
  };
  for (const auto& [defect, shape] : refused) EXPECT_FALSE(parses(shape)) << defect;

  auto bytes = buildPng(PngShape{}, std::vector<uint8_t>{});
  const auto headOf = [](const std::vector<uint8_t>& b) {
    return std::span<const uint8_t, png::kHeadSize>(b.data(), png::kHeadSize);
  };
  PngHeader h;
  ASSERT_TRUE(png::parseHeader(headOf(bytes), false, h));
  const std::pair<const char*, std::pair<size_t, uint8_t>> edits[] = {
      {"signature", {1, 'p'}},
      {"IHDR length 14", {11, 14}},
      {"first chunk gAMA", {12, 'g'}},
      {"first chunk iHDR", {12, 'i'}},
  };
  for (const auto& [defect, edit] : edits) {
    auto bent = bytes;
    bent[edit.first] = edit.second;
    EXPECT_FALSE(png::parseHeader(headOf(bent), false, h)) << defect;
  }
}

TEST(PngHeader, RowsUpTo4MiBAndStreamsOf32Bits) {
  EXPECT_TRUE(parses({.width = 0x100000, .height = 1, .colourType = 6}));  // 4 MiB rows
  EXPECT_FALSE(parses({.width = 0x100001, .height = 1, .colourType = 6}));
  EXPECT_FALSE(parses({.width = 0x400000 / 6 + 1, .height = 1, .bitDepth = 16}));
  // Grey rows of 1024 bytes: the image fits 32 bits up to 4194303 rows, the linear stream (one
  // filter byte more a row) up to 4190211.
  EXPECT_TRUE(parses({.width = 1024, .height = 4190211, .colourType = 0}));
  EXPECT_FALSE(parses({.width = 1024, .height = 4190212, .colourType = 0}));
  // Two pixels a row: 3 bytes a row linear, 3.5 interlaced (Adam7 spreads a row over passes).
  const PngShape tall{.width = 2, .height = 1300000000, .colourType = 0};
  EXPECT_TRUE(parses(tall));
  EXPECT_FALSE(parses(tall, true));
  PngShape tallInterlaced = tall;
  tallInterlaced.interlace = 1;
  EXPECT_FALSE(parses(tallInterlaced));
}

// Pass widths and heights by enumerating the columns and rows of each pass.
TEST(PngGeometry, Adam7PassesHoldEveryPixelOnce) {
  const uint32_t starts[7][4] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                                 {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};
  for (uint32_t w = 1; w <= 19; ++w) {
    for (uint32_t h = 1; h <= 11; ++h) {
      const png::PassList list = png::passesOf(w, h, true);
      ASSERT_EQ(list.count, 7u);
      uint64_t pixels = 0;
      for (uint32_t p = 0; p < 7; ++p) {
        uint32_t columns = 0, rows = 0;
        for (uint32_t c = starts[p][2]; c < w; c += starts[p][3]) ++columns;
        for (uint32_t r = starts[p][0]; r < h; r += starts[p][1]) ++rows;
        EXPECT_EQ(list.passes[p].width, columns) << w << "x" << h << " pass " << p + 1;
        EXPECT_EQ(list.passes[p].height, rows) << w << "x" << h << " pass " << p + 1;
        pixels += uint64_t{columns} * rows;
      }
      EXPECT_EQ(pixels, uint64_t{w} * h);
      // Pass 2 has floor((W - 5) / 8) + 1 columns when W > 4, else none.
      EXPECT_EQ(list.passes[1].width, w > 4 ? (w - 5) / 8 + 1 : 0);
    }
  }
}

// The builder lays out scanlines its own way; the sizes must agree, narrow images included.
TEST(PngGeometry, StreamSizesCountOnlyScanlinesThatExist) {
  for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 9u, 17u}) {
    for (uint32_t h : {1u, 2u, 5u, 9u}) {
      for (uint8_t interlace : {0, 1}) {
        const PngShape s{
            .width = w, .height = h, .bitDepth = 16, .colourType = 4, .interlace = interlace};
        PngHeader header;
        ASSERT_TRUE(parses(s, false, header));
        const size_t expected = pngScanlines(s, pngPixels(s, noisySample)).size();
        EXPECT_EQ(png::streamSize(header, interlace == 1), expected) << w << "x" << h;
      }
    }
  }
  PngHeader one;
  ASSERT_TRUE(parses({.width = 1, .height = 1, .colourType = 0}, false, one));
  EXPECT_EQ(png::streamSize(one, true), 2u);  // pass 1 alone: one type byte, one sample
  EXPECT_EQ(png::widestScanline(one, true), 2u);
}

// The PNG standard's definitions, byte by byte: a = left, b = above, c = above left.
TEST(PngFilters, KnownAnswersWithTwoBytePixels) {
  const uint8_t prior[] = {10, 200, 30, 40, 250, 60};
  const uint8_t row[] = {15, 100, 35, 45, 5, 255};
  const std::array<std::array<uint8_t, 6>, 5> expected{{
      {15, 100, 35, 45, 5, 255},
      {15, 100, 20, 201, 226, 210},  // x - a
      {5, 156, 5, 5, 11, 195},       // x - b
      {10, 0, 13, 231, 119, 203},    // x - floor((a + b) / 2)
      {5, 156, 5, 5, 11, 195},       // Paeth picks b throughout here
  }};
  for (uint8_t type = 0; type < 5; ++type) {
    uint8_t out[6];
    png::filterRow(type, row, prior, 6, 2, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6),
              std::vector<uint8_t>(expected[type].begin(), expected[type].end()))
        << "type " << int{type};
  }
  // Paeth's ties: |p - b| = |p - c| takes b (a 0, b 30, c 10); |p - a| = |p - c| takes a (a 70,
  // b 10, c 30). The second byte of each row is 100.
  const std::pair<std::array<uint8_t, 2>, std::array<uint8_t, 2>> ties[] = {{{0, 100}, {10, 30}},
                                                                            {{70, 100}, {30, 10}}};
  const uint8_t predicted[] = {30, 70};
  for (size_t t = 0; t < 2; ++t) {
    uint8_t out[2];
    png::filterRow(4, ties[t].first.data(), ties[t].second.data(), 2, 1, out);
    EXPECT_EQ(out[1], static_cast<uint8_t>(100 - predicted[t])) << t;
  }
}

TEST(PngFilters, EveryTypeUndoesItselfAtEveryPixelSize) {
  std::mt19937 gen(5);
  for (uint32_t bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (uint32_t n : {bpp, 3 * bpp, 37 * bpp}) {
      std::vector<uint8_t> prior(n), row(n), out(n);
      for (auto& b : prior) b = static_cast<uint8_t>(gen());
      for (auto& b : row) b = static_cast<uint8_t>(gen());
      for (uint8_t type = 0; type < 5; ++type) {
        png::filterRow(type, row.data(), prior.data(), n, bpp, out.data());
        ASSERT_TRUE(png::unfilterRow(type, out.data(), prior.data(), n, bpp));
        ASSERT_EQ(out, row) << "type " << int{type} << " bpp " << bpp << " n " << n;
      }
    }
  }
  std::vector<uint8_t> row(6, 1), prior(6, 0);
  EXPECT_FALSE(png::unfilterRow(5, row.data(), prior.data(), 6, 3));
  EXPECT_FALSE(png::unfilterRow(255, row.data(), prior.data(), 6, 3));
}

TEST(PngFilters, ChooserCountsChangesAndTiesGoToTheLowerType) {
  std::vector<uint8_t> a(8), b(8);
  png::FilterChooser chooser(a.data(), b.data());
  const uint8_t zeros[4] = {};
  const uint8_t* filtered = nullptr;
  // A ramp: Sub and Paeth (which is Sub over a zero prior) both leave 10, 10, 10, 10: one change
  // after their type byte; None, Up and Average change at every byte.
  const uint8_t ramp[4] = {10, 20, 30, 40};
  EXPECT_EQ(chooser.choose(ramp, zeros, 4, 1, -1, filtered), 1);
  EXPECT_EQ(std::vector<uint8_t>(filtered, filtered + 4), std::vector<uint8_t>(4, 10));
  // Zeros under zeros: None stores 0 0 0 0 0 with no change at all.
  EXPECT_EQ(chooser.choose(zeros, zeros, 4, 1, 0, filtered), 0);
  // Threes under threes: None, Up and Paeth each change once after their type byte, and the last
  // byte stored for the previous scanline decides between them.
  const uint8_t threes[4] = {3, 3, 3, 3};
  const std::pair<int, uint8_t> byLast[] = {{-1, 0}, {0, 0}, {2, 2}, {4, 4}, {1, 0}};
  for (auto [last, type] : byLast) {
    EXPECT_EQ(chooser.choose(threes, threes, 4, 1, last, filtered), type) << last;
  }
}

}  // namespace
}  // namespace murl::test
