#include "carriers/jpeg/jpeg.h"

#include <gtest/gtest.h>

#include <random>

#include "carriers/conformance.h"
#include "carriers/jpeg_support.h"
#include "carriers/round_trip.h"

namespace murl::test {
namespace {

uint32_t leadInOf(const ReferenceWalk& walk, uint8_t level) {
  return (walk.width & 15u) + (walk.height & 15u) + level;
}

// The carrier bits the reference reading gives a file at a level; 0 when it is no carrier.
uint32_t referenceBits(const std::vector<uint8_t>& bytes, uint8_t level) {
  const ReferenceWalk walk = referenceWalk(bytes, level);
  const uint64_t used = walk.units.size();
  const uint64_t reserved = uint64_t{leadInOf(walk, level)} + kTrailerBits;
  return walk.ok && used > reserved ? static_cast<uint32_t>(used - reserved) : 0;
}

// The units the reference reading finds at the default level.
UnitModel referenceModel(const std::vector<uint8_t>& file) {
  const ReferenceWalk walk = referenceWalk(file, kDefaultLevel);
  UnitModel model{{}, leadInOf(walk, kDefaultLevel), 1};
  for (const ReferenceUnit& unit : walk.units) model.unitBits.push_back(unit.value);
  return model;
}

// A built carrier of busy coefficients, made taller until it holds `minBits` at level 3.
ConformanceFile builtCarrier(JpegShape shape, uint32_t minBits) {
  for (;; shape.height += 32) {
    ConformanceFile file{.bytes = buildJpeg(shape, busyCoefficients(shape.width))};
    if (referenceBits(file.bytes, kDefaultLevel) >= minBits) {
      file.model = referenceModel;
      file.cutBelow = file.bytes.size() - shape.afterEoi.size();
      file.expectSameOutsideUnits = [](const auto& source, const auto& target) {
        expectSameOutsideUnits(source, target, kDefaultLevel);
      };
      return file;
    }
  }
}

const ConformanceCarrier kCarriers[] = {
    {"Grey", "grey.jpg", CarrierType::kJpeg,
     [](uint32_t minBits) { return builtCarrier({.width = 125, .height = 32}, minBits); }},
    {"Colour420WithRestartsExtrasAndTail", "colour.jpeg", CarrierType::kJpeg,
     [](uint32_t minBits) {
       return builtCarrier({.width = 93,
                            .height = 40,
                            .factors = {{2, 2}, {1, 1}, {1, 1}},
                            .restartInterval = 5,
                            .extraSegments = {jpegSegment(0xFFE1, {'E', 'x', 'i', 'f', 0, 0}),
                                              jpegSegment(0xFFFE, {'h', 'i'})},
                            .afterEoi = {0xFF, 0xD8, 0xFF, 0x00, 'x'}},
                           minBits);
     }},
    {"Colour422ScanPerComponent", "colour.jfif", CarrierType::kJpeg,
     [](uint32_t minBits) {
       return builtCarrier({.width = 100,
                            .height = 24,
                            .factors = {{2, 1}, {1, 1}, {1, 1}},
                            .restartInterval = 7,
                            .scanPerComponent = true},
                           minBits);
     }},
};
INSTANTIATE_TEST_SUITE_P(Jpeg, CarrierConformance, ::testing::ValuesIn(kCarriers), conformanceName);

// Made by cjpeg, ImageMagick and ffmpeg (tests/data/README.md); all are carriers at level 0.
const char* const kFixtures[] = {
    "jpeg_cjpeg_420.jpg",
    "jpeg_cjpeg_444.jpg",
    "jpeg_cjpeg_grey.jpg",
    "jpeg_cjpeg_restart.jpg",
    "jpeg_cjpeg_optimized_422.jpg",
    "jpeg_cjpeg_icc_com.jpg",
    "jpeg_cjpeg_noninterleaved_420.jpg",
    "jpeg_cjpeg_noninterleaved_52x36.jpg",
    "jpeg_magick_420.jpg",
    "jpeg_magick_422.jpg",
    "jpeg_magick_exif.jpg",
    "jpeg_ffmpeg_420.jpg",
    "jpeg_after_eoi.jpg",
};

class JpegTrip : public ::testing::Test {
 protected:
  void setLevel(uint8_t level) { trip.workspace.options.setLevel(LevelFormat::kJpg, level); }
  uint32_t count(const std::vector<uint8_t>& bytes, const std::string& name = "c.jpg") {
    const IdentificationRecord record = trip.count(bytes, name, CarrierType::kJpeg);
    return record.rejected ? 0 : record.carrierBits;
  }
  // Hides a stream of N bits or more (every data bit a stream bit) into "t_" + name.
  std::vector<uint8_t> hideAll(const std::vector<uint8_t>& bytes, const std::string& name,
                               uint32_t carrierBits) {
    writeAll(trip.dir.file(name), bytes);
    trip.randomStream(carrierBits / 8 + 1, carrierBits);
    const CarrierEntry entry{CarrierType::kJpeg, carrierBits, {}, trip.dir.file(name)};
    double percentage = -1;
    EXPECT_TRUE(
        trip.hide(entry.path, "t_" + name, entry, {0, carrierBits, carrierBits}, percentage));
    EXPECT_GT(percentage, 0.0);
    return readAll(trip.dir.file("t_" + name));
  }

  RoundTrip trip;
};

TEST_F(JpegTrip, FixturesOfOtherEncodersCountAsTheBitByBitReadingDoes) {
  for (uint8_t level : {0, 1}) {
    setLevel(level);
    for (const char* name : kFixtures) {
      const auto bytes = jpegFixture(name);
      EXPECT_EQ(count(bytes), referenceBits(bytes, level)) << name << " level " << int{level};
    }
  }
  setLevel(0);
  EXPECT_GT(count(jpegFixture("jpeg_cjpeg_420.jpg")), 500u);
}

// The target's units, read by the reference: the lead-in as in the source, then each stream bit
// inverted, then exactly the 544 trailer units. Everything else reads as in the source: marker
// segments, restart markers after segments of the same length, the bytes after EOI.
TEST_F(JpegTrip, TargetsHoldTheStreamBitsInvertedAfterTheLeadIn) {
  setLevel(0);
  for (const char* name : kFixtures) {
    const auto source = jpegFixture(name);
    const uint32_t bits = count(source);
    ASSERT_GT(bits, 0u) << name;
    const auto target = hideAll(source, name, bits);
    const ReferenceWalk before = referenceWalk(source, 0);
    const ReferenceWalk after = expectSameOutsideUnits(source, target, 0);
    if (std::string(name) == "jpeg_cjpeg_restart.jpg") {
      EXPECT_EQ(after.segments.size(), 6u);  // 12 MCUs, a restart marker after every 2
    }
    const uint32_t leadIn = leadInOf(before, 0);
    ASSERT_EQ(after.units.size(), uint64_t{leadIn} + bits + kTrailerBits) << name;
    for (uint32_t u = 0; u < leadIn; ++u) EXPECT_EQ(after.units[u].value, before.units[u].value);
    for (uint32_t k = 0; k < bits; ++k) {
      ASSERT_EQ(after.units[leadIn + k].value, 1 - bitAt(trip.streamBytes.data(), k))
          << name << " bit " << k;
    }
    std::vector<uint8_t> extracted;
    const CarrierEntry entry{CarrierType::kJpeg, bits, {}, trip.dir.file(std::string("t_") + name)};
    ASSERT_TRUE(trip.extract(entry.path, entry, extracted)) << name;
    for (uint32_t k = 0; k < bits; ++k) {
      ASSERT_EQ(bitAt(extracted.data(), k), bitAt(trip.streamBytes.data(), k)) << name;
    }
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(JpegTrip, PlusOrMinusOneNeverCarriesAndTwoOrThreeDoAtLevelZero) {
  // Per block: 1, -1, 2, -2, 3, -3 at positions 1 to 6, then 4 and -4.
  const int values[] = {0, 1, -1, 2, -2, 3, -3, 4, -4};
  const JpegShape shape{.width = 160, .height = 128};  // 320 blocks, lead-in = level
  const auto bytes = buildJpeg(shape, [&](uint64_t, uint32_t k) { return k < 9 ? values[k] : 0; });
  const uint32_t blocks = 320;
  setLevel(0);
  EXPECT_EQ(count(bytes), blocks * 6 - 0 - kTrailerBits);
  setLevel(1);
  EXPECT_EQ(count(bytes), blocks * 2 - 1 - kTrailerBits);
  setLevel(2);
  EXPECT_EQ(count(bytes), 0u);
  // Marking at level 0 turns 2 into 3 and back (and -2 into -3): each unit's bit is the only
  // bit that may differ, and the file still reads the same way.
  setLevel(0);
  const std::string path = trip.dir.file("m.jpg");
  writeAll(path, bytes);
  MarkField mark{};
  mark.fill(0x5A);
  double percentage = -1;
  {
    auto src = platform::realFileSystem().openRead(path);
    auto dst = platform::realFileSystem().createTruncate(trip.dir.file("marked.jpg"));
    ASSERT_TRUE(jpegHandler().mark(src, dst, mark, trip.workspace, percentage));
  }
  const auto marked = readAll(trip.dir.file("marked.jpg"));
  const ReferenceWalk walk = expectSameOutsideUnits(bytes, marked, 0);
  uint32_t flipped = 0;
  const ReferenceWalk original = referenceWalk(bytes, 0);
  for (size_t u = 0; u < walk.units.size(); ++u)
    flipped += walk.units[u].value != original.units[u].value;
  EXPECT_GT(flipped, 0u);
  // Changed units over all non-zero AC coefficients, the ones that carry nothing included.
  EXPECT_DOUBLE_EQ(percentage, flipped * 100.0 / (blocks * 8));
}

TEST_F(JpegTrip, StuffingChangesTheLengthByTheFFBytesMadeLessThoseUnmade) {
  const auto source = builtCarrier({.width = 256, .height = 64, .restartInterval = 9}, 20000).bytes;
  const uint32_t bits = count(source);
  const auto target = hideAll(source, "s.jpg", bits);
  const ReferenceWalk before = referenceWalk(source, kDefaultLevel);
  const ReferenceWalk after = expectSameOutsideUnits(source, target, kDefaultLevel);
  int64_t made = 0, unmade = 0;
  for (size_t s = 0; s < before.segments.size(); ++s) {
    for (size_t i = 0; i < before.segments[s].size(); ++i) {
      made += before.segments[s][i] != 0xFF && after.segments[s][i] == 0xFF;
      unmade += before.segments[s][i] == 0xFF && after.segments[s][i] != 0xFF;
    }
  }
  EXPECT_GT(made, 0);
  EXPECT_GT(unmade, 0);
  EXPECT_EQ(static_cast<int64_t>(target.size()) - static_cast<int64_t>(source.size()),
            made - unmade);
}

TEST_F(JpegTrip, ExtractionAtAnotherLevelFailsOrGivesOtherBits) {
  setLevel(0);
  const auto source = jpegFixture("jpeg_cjpeg_444.jpg");
  const uint32_t bits = count(source);
  hideAll(source, "l.jpg", bits);
  const CarrierEntry entry{CarrierType::kJpeg, bits, {}, trip.dir.file("t_l.jpg")};
  for (uint8_t level : {1, 2}) {
    setLevel(level);
    std::vector<uint8_t> extracted;
    const bool ok = trip.extract(entry.path, entry, extracted);
    if (ok) {
      EXPECT_NE(
          std::vector<uint8_t>(extracted.begin(), extracted.begin() + bits / 8),
          std::vector<uint8_t>(trip.streamBytes.begin(), trip.streamBytes.begin() + bits / 8));
    } else {
      EXPECT_EQ(trip.reporter.shownIds(),
                std::vector<MessageId>{MessageId::kWrongCarrierBitsNumber});
    }
    trip.reporter.clear();
  }
}

// Random damage inside the entropy-coded data: the table decoding must accept and reject exactly
// the files the one-bit-at-a-time reading does, with the same units.
TEST_F(JpegTrip, DamagedScansAreJudgedAsTheBitByBitReadingJudgesThem) {
  setLevel(0);
  std::mt19937 random(5);
  int refused = 0, accepted = 0;
  for (const char* name : {"jpeg_cjpeg_optimized_422.jpg", "jpeg_cjpeg_restart.jpg",
                           "jpeg_magick_exif.jpg", "jpeg_cjpeg_noninterleaved_52x36.jpg"}) {
    const auto source = jpegFixture(name);
    // Where the entropy-coded data lies: after each scan header, up to the next marker that is
    // not a restart marker.
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
    for (int trial = 0; trial < 150; ++trial) {
      auto damaged = source;
      for (int hits = 1 + trial % 3; hits > 0; --hits) {
        damaged[scanBytes[random() % scanBytes.size()]] ^=
            static_cast<uint8_t>(1u << (random() % 8));
      }
      const uint32_t expected = referenceBits(damaged, 0);
      ASSERT_EQ(count(damaged), expected) << name << " trial " << trial;
      (expected == 0 ? refused : accepted) += 1;
    }
  }
  EXPECT_GT(refused, 50);
  EXPECT_GT(accepted, 50);
}

}  // namespace
}  // namespace murl::test
