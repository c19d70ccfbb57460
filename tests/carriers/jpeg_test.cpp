// The JPEG carrier, against a second, bit-by-bit reading of the entropy-coded data.
#include "carriers/jpeg/jpeg.h"

#include <gtest/gtest.h>

#include <random>

#include "carriers/conformance.h"
#include "carriers/jpeg/huffman.h"
#include "carriers/jpeg/jpeg_markers.h"
#include "support/jpeg_reference.h"

namespace murl::test {
namespace {

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
Bytes edited(const Bytes& bytes, uint16_t marker, size_t offset, uint8_t value) {
  return patched(bytes, segmentAt(bytes, marker) + offset, {value});
}
Bytes inserted(Bytes bytes, size_t at, const Bytes& more) {
  bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), more.begin(), more.end());
  return bytes;
}
Bytes removed(Bytes bytes, size_t at, size_t count) {
  bytes.erase(bytes.begin() + at, bytes.begin() + at + count);
  return bytes;
}
// A segment: marker, big-endian length, payload.
Bytes segment(uint16_t marker, const Bytes& payload) {
  const size_t length = payload.size() + 2;
  return inserted(payload, 0, {uint8_t(marker >> 8), uint8_t(marker), 0, uint8_t(length)});
}
// Adds bytes at the end of a segment's payload and counts them in its length.
Bytes grown(Bytes bytes, uint16_t marker, const Bytes& more) {
  const size_t at = segmentAt(bytes, marker);
  const size_t length = (bytes[at + 2] << 8 | bytes[at + 3]) + more.size();
  bytes[at + 2] = static_cast<uint8_t>(length >> 8);
  bytes[at + 3] = static_cast<uint8_t>(length);
  return inserted(bytes, at + 2 + length - more.size(), more);
}

// cjpeg's grey 61 x 47 file and its 4:2:0 colour one, counted at level 0.
class JpegCount : public ::testing::Test {
 protected:
  JpegCount() { trip.workspace.options.setLevel(LevelFormat::kJpg, 0); }
  bool isCarrier(const Bytes& bytes) { return trip.bitsOf(bytes, CarrierType::kJpeg) != 0; }

  RoundTrip trip;
  const Bytes grey = readFixture("jpeg_cjpeg_grey.jpg");
  const Bytes colour = readFixture("jpeg_cjpeg_420.jpg");
};

TEST_F(JpegCount, AcceptsSegmentsItSkipsAndTablesItReplaces) {
  const size_t afterSoi = 2;
  Bytes appAndCom;
  for (uint16_t m = 0xFFE0; m <= 0xFFEF; ++m) appAndCom = inserted(appAndCom, 0, segment(m, {1}));
  appAndCom = inserted(appAndCom, 0, segment(0xFFFE, {'c'}));
  const size_t tables = segmentAt(grey, 0xFFC4), scan = segmentAt(grey, 0xFFDA);
  const std::pair<const char*, Bytes> accepted[] = {
      {"APP0 to APP15 and COM", inserted(grey, afterSoi, appAndCom)},
      {"reserved 0xFF02 segment", inserted(grey, afterSoi, segment(0xFF02, {0}))},
      {"reserved 0xFFBF segment", inserted(grey, afterSoi, segment(0xFFBF, {}))},
      {"tables defined twice", inserted(grey, tables, Bytes(&grey[tables], &grey[scan]))},
      {"restart interval 0", inserted(grey, scan, segment(0xFFDD, {0, 0}))},
  };
  for (const auto& [what, bytes] : accepted) EXPECT_TRUE(isCarrier(bytes)) << what;
}

// tests/data/jpeg_headers.txt, then segments and markers out of place.
TEST_F(JpegCount, RefusesOtherProcessesAndBrokenHeaders) {
  const auto cases = editedCases("jpeg_headers.txt", grey);
  ASSERT_EQ(cases.size(), 27u);
  for (const auto& [accepted, bytes, what] : cases) EXPECT_EQ(isCarrier(bytes), accepted) << what;
  const size_t afterSoi = 2, frame = segmentAt(grey, 0xFFC0), scan = segmentAt(grey, 0xFFDA);
  Bytes table(17, 0);
  table[0] = 0x11;
  table[3] = 2;  // two codes of length 3, no symbols
  trip.expectNoCarriers(
      CarrierType::kJpeg,
      {{"progressive (cjpeg)", readFixture("jpeg_progressive.jpg")},
       {"arithmetic coding (cjpeg)", readFixture("jpeg_arithmetic.jpg")},
       {"sampling factor 3 (cjpeg)", readFixture("jpeg_factor3.jpg")},
       {"sampling factor 4 (cjpeg)", readFixture("jpeg_factor4.jpg")},
       {"horizontal factor 3", edited(colour, 0xFFC0, 11, 0x32)},
       {"vertical factor 0", edited(colour, 0xFFC0, 14, 0x10)},
       {"second frame header", inserted(grey, scan, Bytes(&grey[frame], &grey[frame + 13]))},
       {"scan before the frame", removed(grey, frame, 13)},
       {"table cut short", grown(grey, 0xFFC4, {0x01, 0, 0, 0, 0})},
       {"table symbols cut short", grown(grey, 0xFFC4, table)},
       {"restart interval of 3 bytes", inserted(grey, scan, segment(0xFFDD, {0, 0, 1}))},
       {"restart marker outside a scan", inserted(grey, afterSoi, {0xFF, 0xD0})},
       {"second SOI", inserted(grey, afterSoi, {0xFF, 0xD8})},
       {"marker 0xFFFF", inserted(grey, afterSoi, {0xFF, 0xFF})},
       {"marker 0xFF01", inserted(grey, afterSoi, {0xFF, 0x01})},
       {"DNL", inserted(grey, afterSoi, segment(0xFFDC, {0, 8}))},
       {"DAC", inserted(grey, afterSoi, segment(0xFFCC, {0, 0}))},
       {"segment length 1", inserted(grey, afterSoi, {0xFF, 0xE0, 0, 1})},
       {"no EOI", Bytes(grey.begin(), grey.end() - 2)}});
}

// cjpeg's file with a restart marker every 2 of its 12 MCUs.
TEST_F(JpegCount, RestartMarkersMustComeInOrderAtEveryInterval) {
  const Bytes bytes = readFixture("jpeg_cjpeg_restart.jpg");
  ASSERT_TRUE(isCarrier(bytes));
  std::vector<size_t> markers;
  for (size_t i = segmentAt(bytes, 0xFFDA); i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] & 0xF8) == 0xD0) markers.push_back(i);
  }
  ASSERT_EQ(markers.size(), 5u);
  // Without the interval the first marker ends the scan, where only a marker may follow.
  trip.expectNoCarriers(CarrierType::kJpeg,
                        {{"markers swapped", patched(bytes, markers[0] + 1, {0xD1})},
                         {"a marker missing", removed(bytes, markers[3], 2)},
                         {"no interval", removed(bytes, segmentAt(bytes, 0xFFDD), 6)}});
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
  const Bytes symbols(255, 7);
  for (const auto& [counts, valid] : cases) {
    jpeg::HuffmanTable table;
    EXPECT_EQ(table.build(counts, symbols), valid) << int{counts[0]} << "," << int{counts[1]};
  }
}

// The carrier bits the reference reading gives a file at a level; 0 when it is no carrier.
uint32_t referenceBits(const Bytes& bytes, uint8_t level) {
  const ReferenceWalk walk = referenceWalk(bytes, level);
  const uint64_t reserved = (walk.width & 15u) + (walk.height & 15u) + level + kTrailerBits;
  return walk.ok && walk.units.size() > reserved ? uint32_t(walk.units.size() - reserved) : 0;
}

// Random damage inside the entropy-coded data: the table decoding must accept and reject exactly
// the files the one-bit-at-a-time reading does.
TEST_F(JpegCount, DamagedScansAreJudgedAsTheBitByBitReadingJudgesThem) {
  std::mt19937 random(5);
  int refused = 0, accepted = 0;
  for (const char* name : {"jpeg_cjpeg_optimized_422.jpg", "jpeg_cjpeg_restart.jpg",
                           "jpeg_cjpeg_noninterleaved_52x36.jpg"}) {
    const Bytes source = readFixture(name);
    // The entropy-coded data: after each scan header, up to the next marker that is not a
    // restart marker.
    std::vector<size_t> scanBytes;
    for (size_t i = 2; i + 3 < source.size();) {
      const bool header = source[i] == 0xFF && source[i + 1] == 0xDA;
      i = header ? i + 2 + (source[i + 2] << 8 | source[i + 3]) : i + 1;
      for (; header && i + 1 < source.size(); ++i) {
        if (source[i] == 0xFF && source[i + 1] != 0 && (source[i + 1] & 0xF8) != 0xD0) break;
        scanBytes.push_back(i);
      }
    }
    ASSERT_FALSE(scanBytes.empty()) << name;
    for (int trial = 0; trial < 80; ++trial) {
      Bytes damaged = source;
      for (int hits = 1 + trial % 3; hits > 0; --hits) {
        damaged[scanBytes[random() % scanBytes.size()]] ^= uint8_t(1u << (random() % 8));
      }
      const uint32_t expected = referenceBits(damaged, 0);
      ASSERT_EQ(trip.bitsOf(damaged, CarrierType::kJpeg), expected) << name << " " << trial;
      (expected == 0 ? refused : accepted) += 1;
    }
  }
  EXPECT_GT(refused, 40);
  EXPECT_GT(accepted, 40);
}

// Both files read the same outside their units: every marker segment, restart marker and byte
// after EOI equal, the same segments of entropy-coded data (unstuffed) with the same units, and
// no bit changed but unit bits.
void expectSameOutsideUnits(const Bytes& source, const Bytes& target, uint8_t level) {
  const ReferenceWalk from = referenceWalk(source, level), to = referenceWalk(target, level);
  ASSERT_TRUE(from.ok && to.ok);
  EXPECT_EQ(from.outside, to.outside);
  ASSERT_EQ(from.units.size(), to.units.size());
  ASSERT_EQ(from.segments.size(), to.segments.size());
  std::vector<Bytes> diff = from.segments;
  for (size_t s = 0; s < diff.size(); ++s) {
    ASSERT_EQ(diff[s].size(), to.segments[s].size()) << "segment " << s;
    for (size_t i = 0; i < diff[s].size(); ++i) diff[s][i] ^= to.segments[s][i];
  }
  for (size_t u = 0; u < from.units.size(); ++u) {
    const ReferenceUnit& unit = from.units[u];
    ASSERT_TRUE(unit.segment == to.units[u].segment && unit.bit == to.units[u].bit) << u;
    diff[unit.segment][unit.bit / 8] &= static_cast<uint8_t>(~(0x80 >> (unit.bit % 8)));
  }
  for (size_t s = 0; s < diff.size(); ++s) {
    EXPECT_EQ(diff[s], Bytes(diff[s].size(), 0)) << "segment " << s;
  }
}

// `after`: the bytes after EOI, copied but never read.
ConformanceCarrier jpeg(const char* name, const char* fixture, uint8_t level = 0,
                        size_t after = 0) {
  return {name,
          std::string(name) + ".jpg",
          CarrierType::kJpeg,
          [=](uint32_t) {
            ConformanceFile file{readFixture(fixture)};
            file.model = [level](const Bytes& bytes) {
              const ReferenceWalk walk = referenceWalk(bytes, level);
              UnitModel model{{}, (walk.width & 15u) + (walk.height & 15u) + level, 1};
              for (const ReferenceUnit& unit : walk.units) model.unitBits.push_back(unit.value);
              return model;
            };
            file.expectSameOutsideUnits = [level](const Bytes& source, const Bytes& target) {
              expectSameOutsideUnits(source, target, level);
            };
            file.cutBelow = file.bytes.size() - after;
            return file;
          },
          true,
          atLevel(level)};
}

// The files of cjpeg, ImageMagick and ffmpeg (tests/data/README.md), at level 0 unless named.
INSTANTIATE_TEST_SUITE_P(
    Jpeg, CarrierConformance,
    ::testing::Values(
        jpeg("Cjpeg420", "jpeg_cjpeg_420.jpg"), jpeg("Cjpeg444Level1", "jpeg_cjpeg_444.jpg", 1),
        jpeg("CjpegGrey", "jpeg_cjpeg_grey.jpg"), jpeg("CjpegRestarts", "jpeg_cjpeg_restart.jpg"),
        jpeg("CjpegOptimized422", "jpeg_cjpeg_optimized_422.jpg"),
        jpeg("CjpegIccAndComment", "jpeg_cjpeg_icc_com.jpg"),
        jpeg("CjpegScanPerComponent420", "jpeg_cjpeg_noninterleaved_420.jpg"),
        jpeg("CjpegScanPerComponent52x36", "jpeg_cjpeg_noninterleaved_52x36.jpg"),
        jpeg("Magick422", "jpeg_magick_422.jpg"), jpeg("MagickExif", "jpeg_magick_exif.jpg"),
        jpeg("Ffmpeg420", "jpeg_ffmpeg_420.jpg"),
        jpeg("BytesAfterEoi", "jpeg_after_eoi.jpg", 0, 29)),
    conformanceName);

}  // namespace
}  // namespace murl::test
