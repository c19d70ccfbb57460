// What the JPEG count accepts and refuses, by the defect planted in a carrier it accepts, and the
// pieces that decide how scans are walked: canonical Huffman codes and the blocks of a scan.
#include <gtest/gtest.h>

#include <functional>

#include "carriers/jpeg/huffman.h"
#include "carriers/jpeg/jpeg.h"
#include "carriers/jpeg/jpeg_markers.h"
#include "carriers/jpeg_support.h"
#include "carriers/round_trip.h"

namespace murl::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The offset of the first segment with this marker before the entropy-coded data (or the SOS).
size_t segmentAt(const Bytes& bytes, uint16_t marker) {
  for (size_t at = 2; at + 4 <= bytes.size();) {
    if ((bytes[at] << 8 | bytes[at + 1]) == marker) return at;
    if (bytes[at + 1] == 0xDA) break;
    at += 2 + (bytes[at + 2] << 8 | bytes[at + 3]);
  }
  ADD_FAILURE() << "no marker " << std::hex << marker;
  return 0;
}

Bytes edited(Bytes bytes, uint16_t marker, size_t offset, uint8_t value) {
  bytes[segmentAt(bytes, marker) + offset] = value;
  return bytes;
}
Bytes inserted(Bytes bytes, size_t at, const Bytes& more) {
  bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), more.begin(), more.end());
  return bytes;
}
// Adds bytes at the end of a segment's payload and counts them in its length.
Bytes grown(Bytes bytes, uint16_t marker, const Bytes& more) {
  const size_t at = segmentAt(bytes, marker);
  const size_t length = (bytes[at + 2] << 8 | bytes[at + 3]) + more.size();
  bytes[at + 2] = static_cast<uint8_t>(length >> 8);
  bytes[at + 3] = static_cast<uint8_t>(length);
  return inserted(bytes, at + 2 + length - more.size(), more);
}

class JpegHeaders : public ::testing::Test {
 protected:
  JpegHeaders() {
    grey = buildJpeg({.width = 128, .height = 64}, busyCoefficients(3));
    colour = buildJpeg({.width = 64, .height = 48, .factors = {{2, 2}, {1, 1}, {1, 1}}},
                       busyCoefficients(4));
    trip.workspace.options.setLevel(LevelFormat::kJpg, 0);
  }
  bool isCarrier(const Bytes& bytes) {
    return !trip.count(bytes, "h.jpg", CarrierType::kJpeg).rejected;
  }

  RoundTrip trip;
  Bytes grey;
  Bytes colour;
};

TEST_F(JpegHeaders, AcceptsSegmentsItSkipsAndTablesItReplaces) {
  const size_t afterSoi = 2;
  const std::pair<const char*, Bytes> accepted[] = {
      {"built grey", grey},
      {"built colour", colour},
      {"APP0 to APP15 and COM", inserted(grey, afterSoi,
                                         [] {
                                           Bytes all;
                                           for (uint16_t m = 0xFFE0; m <= 0xFFEF; ++m) {
                                             const Bytes s = jpegSegment(m, {1, 2, 3});
                                             all.insert(all.end(), s.begin(), s.end());
                                           }
                                           const Bytes com = jpegSegment(0xFFFE, {'c'});
                                           all.insert(all.end(), com.begin(), com.end());
                                           return all;
                                         }())},
      {"reserved 0xFF02 segment", inserted(grey, afterSoi, jpegSegment(0xFF02, {0}))},
      {"reserved 0xFFBF segment", inserted(grey, afterSoi, jpegSegment(0xFFBF, {}))},
      {"tables defined twice", inserted(grey, segmentAt(grey, 0xFFC4),
                                        Bytes(grey.begin() + segmentAt(grey, 0xFFC4),
                                              grey.begin() + segmentAt(grey, 0xFFDA)))},
      {"restart interval 0", inserted(grey, segmentAt(grey, 0xFFDA), jpegSegment(0xFFDD, {0, 0}))},
      {"successive approximation not read", edited(grey, 0xFFDA, 9, 0x11)},
      {"two-by-two grey", edited(grey, 0xFFC0, 11, 0x22)},
  };
  for (const auto& [what, bytes] : accepted) EXPECT_TRUE(isCarrier(bytes)) << what;
}

TEST_F(JpegHeaders, RefusesOtherProcessesAndBrokenHeaders) {
  const size_t afterSoi = 2;
  const size_t frame = segmentAt(grey, 0xFFC0);
  const size_t scan = segmentAt(grey, 0xFFDA);
  Bytes noFrame = grey;
  noFrame.erase(noFrame.begin() + frame, noFrame.begin() + frame + 13);
  const std::pair<const char*, Bytes> refused[] = {
      {"progressive (cjpeg)", jpegFixture("jpeg_progressive.jpg")},
      {"arithmetic coding (cjpeg)", jpegFixture("jpeg_arithmetic.jpg")},
      {"sampling factor 3 (cjpeg)", jpegFixture("jpeg_factor3.jpg")},
      {"sampling factor 4 (cjpeg)", jpegFixture("jpeg_factor4.jpg")},
      {"extended sequential SOF1", edited(grey, 0xFFC0, 1, 0xC1)},
      {"progressive SOF2", edited(grey, 0xFFC0, 1, 0xC2)},
      {"lossless SOF3", edited(grey, 0xFFC0, 1, 0xC3)},
      {"hierarchical SOF5", edited(grey, 0xFFC0, 1, 0xC5)},
      {"arithmetic SOF9", edited(grey, 0xFFC0, 1, 0xC9)},
      {"12-bit samples", edited(grey, 0xFFC0, 4, 12)},
      {"zero height", edited(edited(grey, 0xFFC0, 5, 0), 0xFFC0, 6, 0)},
      {"zero width", edited(edited(grey, 0xFFC0, 7, 0), 0xFFC0, 8, 0)},
      {"no components", edited(grey, 0xFFC0, 9, 0)},
      {"five components", edited(grey, 0xFFC0, 9, 5)},
      {"frame cut before its component", edited(grey, 0xFFC0, 3, 8)},
      {"horizontal factor 3", edited(colour, 0xFFC0, 11, 0x32)},
      {"vertical factor 0", edited(colour, 0xFFC0, 14, 0x10)},
      {"grey one by two", edited(grey, 0xFFC0, 11, 0x12)},
      {"second frame header", inserted(grey, scan, Bytes(grey.begin() + frame, grey.begin() + frame + 13))},
      {"scan before the frame", noFrame},
      {"overfull table", edited(grey, 0xFFC4, 5, 3)},
      {"table class 2", edited(grey, 0xFFC4, 4, 0x20)},
      {"table cut short", grown(grey, 0xFFC4, {0x01, 0, 0, 0, 0})},
      {"table symbols cut short", grown(grey, 0xFFC4, [] {
         Bytes t(17, 0);
         t[0] = 0x11;
         t[3] = 2;  // two codes of length 3, no symbols
         return t;
       }())},
      {"scan of no component", edited(grey, 0xFFDA, 4, 0)},
      {"scan of more components than the frame", edited(grey, 0xFFDA, 4, 2)},
      {"scan names an unknown component", edited(grey, 0xFFDA, 5, 9)},
      {"scan uses an undefined DC table", edited(grey, 0xFFDA, 6, 0x10)},
      {"scan uses an undefined AC table", edited(grey, 0xFFDA, 6, 0x01)},
      {"spectral selection from 1", edited(grey, 0xFFDA, 7, 1)},
      {"spectral selection to 62", edited(grey, 0xFFDA, 8, 62)},
      {"restart interval of 3 bytes", inserted(grey, scan, jpegSegment(0xFFDD, {0, 0, 1}))},
      {"restart marker outside a scan", inserted(grey, afterSoi, {0xFF, 0xD0})},
      {"second SOI", inserted(grey, afterSoi, {0xFF, 0xD8})},
      {"marker 0xFFFF", inserted(grey, afterSoi, {0xFF, 0xFF})},
      {"marker 0xFF01", inserted(grey, afterSoi, {0xFF, 0x01})},
      {"DNL", inserted(grey, afterSoi, jpegSegment(0xFFDC, {0, 8}))},
      {"DAC", inserted(grey, afterSoi, jpegSegment(0xFFCC, {0, 0}))},
      {"segment length 1", inserted(grey, afterSoi, {0xFF, 0xE0, 0, 1})},
      {"not starting with SOI", [&] {
         Bytes b = grey;
         b[1] = 0xD9;
         return b;
       }()},
      {"no EOI", Bytes(grey.begin(), grey.end() - 2)},
  };
  for (const auto& [defect, bytes] : refused) EXPECT_FALSE(isCarrier(bytes)) << defect;
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(JpegHeaders, RestartMarkersMustComeInOrderAtEveryInterval) {
  const JpegShape shape{.width = 128, .height = 64, .restartInterval = 4};
  const Bytes bytes = buildJpeg(shape, busyCoefficients(5));
  ASSERT_TRUE(isCarrier(bytes));
  std::vector<size_t> markers;
  for (size_t i = segmentAt(bytes, 0xFFDA); i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] & 0xF8) == 0xD0) markers.push_back(i);
  }
  ASSERT_EQ(markers.size(), 128u / 4 - 1);
  Bytes swapped = bytes;
  swapped[markers[0] + 1] = 0xD1;
  EXPECT_FALSE(isCarrier(swapped));
  Bytes missing = bytes;
  missing.erase(missing.begin() + markers[3], missing.begin() + markers[3] + 2);
  EXPECT_FALSE(isCarrier(missing));
  // Without the interval the first marker ends the scan, where only a marker may follow.
  Bytes unannounced = bytes;
  const size_t dri = segmentAt(bytes, 0xFFDD);
  unannounced.erase(unannounced.begin() + dri, unannounced.begin() + dri + 6);
  EXPECT_FALSE(isCarrier(unannounced));
}

// Canonical codes of every length 1 to 16 come back with their symbols, whatever bits follow;
// a prefix no code begins is no code.
TEST(JpegHuffman, DecodesEveryCanonicalCodeAndNothingElse) {
  std::array<uint8_t, 16> counts{};
  counts.fill(1);
  counts[15] = 1;  // one code at each length: 0, 10, 110, ...; all ones is left free
  std::vector<uint8_t> symbols(16);
  for (uint8_t i = 0; i < 16; ++i) symbols[i] = static_cast<uint8_t>(0xA0 + i);
  jpeg::HuffmanTable table;
  ASSERT_TRUE(table.build(counts, symbols));
  for (uint32_t length = 1; length <= 16; ++length) {
    const uint32_t code = ((1u << length) - 2) << (16 - length);  // length - 1 ones, then a zero
    for (uint32_t tail : {0u, 0xFFFFu}) {
      const jpeg::HuffmanCode got = table.decode(code | (tail >> length));
      EXPECT_EQ(got.length, length);
      EXPECT_EQ(got.symbol, 0xA0 + length - 1);
    }
  }
  EXPECT_EQ(table.decode(0xFFFF).length, 0);
}

TEST(JpegHuffman, RefusesTablesThatAskForMoreCodesThanAreFree) {
  const std::pair<std::array<uint8_t, 16>, bool> cases[] = {
      {{2}, true},        // both codes of length 1
      {{3}, false},       // three codes of length 1
      {{1, 2}, true},     // 0, 10, 11
      {{1, 3}, false},    // 0, then three of length 2: one too many
      {{0, 0, 8}, true},  // every code of length 3
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255}, true},
  };
  const std::vector<uint8_t> symbols(255, 7);
  for (const auto& [counts, valid] : cases) {
    jpeg::HuffmanTable table;
    EXPECT_EQ(table.build(counts, symbols), valid) << int{counts[0]} << "," << int{counts[1]};
  }
}

// Blocks per scan: an interleaved scan walks the frame's MCUs; a scan of one component walks its
// own blocks, which for a full-size component of a subsampled image is not a whole number of
// MCUs when a side is not a multiple of 16.
TEST(JpegScans, BlocksFollowTheComponentsOfTheScan) {
  jpeg::HuffmanSlots tables;
  const std::array<uint8_t, 16> counts{0, 1};
  const uint8_t symbol[1] = {0};
  tables[0].build(counts, symbol);
  tables[16].build(counts, symbol);
  jpeg::Frame frame;
  ASSERT_TRUE(jpeg::parseFrame(
      std::vector<uint8_t>{8, 0, 36, 0, 52, 3, 1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0}, frame));
  const std::pair<std::vector<uint8_t>, std::pair<uint64_t, uint32_t>> cases[] = {
      {{3, 1, 0, 2, 0, 3, 0, 0, 63, 0}, {4 * 3, 6}},  // 52 x 36 in MCUs of 16 x 16
      {{1, 1, 0, 0, 63, 0}, {7 * 5, 1}},              // 52 x 36 in blocks of 8 x 8
      {{1, 2, 0, 0, 63, 0}, {4 * 3, 1}},              // 26 x 18
      {{2, 2, 0, 3, 0, 0, 63, 0}, {4 * 3, 2}},
  };
  for (const auto& [payload, expected] : cases) {
    jpeg::Scan scan;
    ASSERT_TRUE(jpeg::parseScan(payload, frame, tables, scan));
    EXPECT_EQ(scan.mcus, expected.first);
    EXPECT_EQ(scan.blocksPerMcu, expected.second);
  }
}

}  // namespace
}  // namespace murl::test
