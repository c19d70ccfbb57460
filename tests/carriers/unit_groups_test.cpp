// The eight-at-a-time groupers of colour bytes and big-endian samples against their one-unit
// tests, and BMP and AIFF hides where the grouped and the one-at-a-time paths meet: rows whose
// length is no multiple of eight, samples past the first sample block.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "carriers/common/colour_bytes.h"
#include "carriers/common/contract.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/sound_samples.h"
#include "carriers/registry.h"
#include "carriers/wav/wav.h"
#include "support/audio_builder.h"
#include "support/bmp_builder.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {
namespace {

// Random bytes half the time, else values either side of every level's threshold.
uint8_t edgyByte(std::mt19937& random, int round) {
  static constexpr uint8_t kEdges[] = {0, 1, 2, 3, 7, 8, 15, 16, 31, 32, 63, 64, 127, 128, 255};
  return round % 2 ? kEdges[random() % std::size(kEdges)] : static_cast<uint8_t>(random());
}

TEST(UnitGroups, ColourBytesAgreeWithTheImageUnitTest) {
  std::mt19937 random(5);
  for (uint8_t level = 0; level <= kMaxLevel; ++level) {
    const ColourByteGrouper grouper(level);
    for (int round = 0; round < 1000; ++round) {
      uint8_t bytes[8];
      for (auto& b : bytes) b = edgyByte(random, round);
      const UnitGroup group = grouper.group(bytes);
      for (int j = 0; j < 8; ++j) {
        ASSERT_EQ((group.qualifying >> (7 - j)) & 1, isImageUnit(bytes[j], level))
            << int{level} << " " << int{bytes[j]};
        ASSERT_EQ((group.lowBits >> (7 - j)) & 1, bytes[j] & 1);
        ASSERT_EQ(grouper.qualifies(bytes + j), isImageUnit(bytes[j], level));
      }
      const uint8_t flips = static_cast<uint8_t>(random());
      uint8_t flipped[8];
      std::copy(bytes, bytes + 8, flipped);
      ColourByteGrouper::flip(flipped, flips);
      for (int j = 0; j < 8; ++j) ASSERT_EQ(flipped[j] ^ bytes[j], (flips >> (7 - j)) & 1) << j;
    }
  }
}

TEST(UnitGroups, BigEndianSamplesAgreeWithTheSampleTest) {
  std::mt19937 random(6);
  for (uint8_t level = 0; level <= kMaxLevel; ++level) {
    const BigEndianSampleGrouper grouper(level);
    for (int round = 0; round < 1000; ++round) {
      uint8_t bytes[16];
      for (auto& b : bytes) b = edgyByte(random, round);
      const UnitGroup group = grouper.group(bytes);
      for (int j = 0; j < 8; ++j) {
        const auto sample = static_cast<int16_t>(bytes[2 * j] << 8 | bytes[2 * j + 1]);
        ASSERT_EQ((group.qualifying >> (7 - j)) & 1, sampleQualifies(sample, level))
            << int{level} << " " << sample;
        ASSERT_EQ((group.lowBits >> (7 - j)) & 1, sample & 1);
        ASSERT_EQ(grouper.qualifies(bytes + 2 * j), sampleQualifies(sample, level));
      }
      const uint8_t flips = static_cast<uint8_t>(random());
      uint8_t flipped[16];
      std::copy(bytes, bytes + 16, flipped);
      BigEndianSampleGrouper::flip(flipped, flips);
      for (int i = 0; i < 16; ++i) {
        const int expected = i % 2 == 1 ? (flips >> (7 - i / 2)) & 1 : 0;
        ASSERT_EQ(flipped[i] ^ bytes[i], expected) << i;
      }
    }
  }
}

class GroupedCarrierTest : public ::testing::Test {
 protected:
  GroupedCarrierTest() : workspace(reporter, Language::kEnglish) {}

  // Counts, hides a stream that ends inside the carrier from an unaligned start bit, checks that
  // only the unit bits at offsets `isUnit` accepts changed, and extracts the stream again.
  void roundTrip(const std::vector<uint8_t>& original, CarrierType type,
                 const std::function<bool(size_t)>& isUnit) {
    const std::string path = dir.file("carrier");
    writeAll(path, original);
    IdentificationRecord record;
    record.type = type;
    {
      auto src = platform::File::openRead(path);
      ASSERT_TRUE(carrierHandler(type).count(src, record, workspace));
    }
    const uint32_t n = record.carrierBits;
    const CarrierEntry entry{record.type, n, {}, path};
    std::vector<uint8_t> stream(n / 8 + 8);
    std::mt19937 random(n);
    for (auto& b : stream) b = static_cast<uint8_t>(random());
    writeAll(dir.file("stream"), stream);
    const uint32_t start = 5;
    const uint32_t shared = n - n / 7;  // random fill after the stream
    {
      auto src = platform::File::openRead(path);
      auto dst = platform::File::createTruncate(dir.file("target"));
      auto streamFile = platform::File::openRead(dir.file("stream"));
      double percentage = 0;
      ASSERT_TRUE(carrierHandler(type).hide(src, dst, entry, {start, n, shared}, {&streamFile, {}},
                                            workspace, percentage));
    }
    const auto out = readAll(dir.file("target"));
    ASSERT_EQ(out.size(), original.size());
    for (size_t i = 0; i < out.size(); ++i) {
      ASSERT_EQ((out[i] ^ original[i]) & (isUnit(i) ? 0xFE : 0xFF), 0) << i;
    }
    auto src = platform::File::openRead(dir.file("target"));
    auto temp = platform::File::createTruncate(dir.file("sink"));
    ExtractionSink sink(workspace, temp);
    ASSERT_TRUE(carrierHandler(type).extract(src, entry, sink, workspace));
    ASSERT_TRUE(sink.flush());
    temp.close();
    const auto gathered = readAll(dir.file("sink"));
    ASSERT_EQ(gathered.size(), (n + 7) / 8);
    for (uint32_t k = 0; k < shared; ++k) {
      ASSERT_EQ(bitAt(gathered.data(), k), bitAt(stream.data(), start + k)) << k;
    }
    EXPECT_TRUE(reporter.shownIds().empty());
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
};

// Rows of 3 * 37 = 111 bytes and their padding: groups never run into the padding.
TEST_F(GroupedCarrierTest, ColourRowsOfAnyLength) {
  for (uint8_t level : {0, 3, 6}) {
    SCOPED_TRACE(int{level});
    workspace.options.setLevel(LevelFormat::kBmp, level);
    const BmpShape shape{.width = 37, .height = 301, .tailBytes = 3};
    std::mt19937 random(level);
    const auto bytes = buildBmp(shape, [&](uint32_t, uint32_t) { return random(); });
    const size_t start = bmpPixelStart(shape);
    const size_t stride = bmpRowStride(shape);
    roundTrip(bytes, CarrierType::kBmpColour, [&](size_t i) {
      return i >= start && i < start + stride * 301 && (i - start) % stride < 3 * 37;
    });
  }
}

// Past the first block of 0x200000 samples, in both formats.
TEST_F(GroupedCarrierTest, BigEndianSamplesAcrossBlocks) {
  const auto samples = swingingSamples(0x200000 + 1003);
  for (CarrierType type : {CarrierType::kAiff, CarrierType::kAu}) {
    SCOPED_TRACE(static_cast<int>(type));
    const auto bytes = type == CarrierType::kAiff ? buildAiff(samples) : buildAu(samples);
    const size_t first = bytes.size() - 2 * samples.size();
    roundTrip(bytes, type, [&](size_t i) { return i >= first && (i - first) % 2 == 1; });
  }
}

}  // namespace
}  // namespace murl::test
