// Samples taken eight at a time against the one-sample test, and hide and extract over more than
// one sample block, where the grouped and the one-at-a-time paths meet.
#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "carriers/common/sound_samples.h"
#include "carriers/wav/wav.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

TEST(SampleGroups, AgreeWithTheSampleTestAtEveryLevel) {
  std::mt19937 random(3);
  for (uint8_t level = 0; level <= kMaxLevel; ++level) {
    const int t = 1 << (2 * (level + 1));
    // The values either side of both thresholds and of the 16-bit range.
    const int edges[] = {0, 1, -1, t - 1, t, t + 1, -t, -t - 1, -t - 2, 32767, -32768, -32767};
    const SampleGrouper grouper(level);
    for (int round = 0; round < 500; ++round) {
      uint8_t bytes[16];
      int16_t samples[8];
      for (int j = 0; j < 8; ++j) {
        samples[j] = static_cast<int16_t>(round % 2 ? edges[random() % std::size(edges)]
                                                    : static_cast<int>(random() % 65536) - 32768);
        bytes[2 * j] = static_cast<uint8_t>(samples[j]);
        bytes[2 * j + 1] = static_cast<uint8_t>(samples[j] >> 8);
      }
      SampleGroup group = grouper.group(bytes);
      for (int j = 0; j < 8; ++j) {
        ASSERT_EQ((group.qualifying >> (7 - j)) & 1, sampleQualifies(samples[j], level))
            << int{level} << " " << samples[j];
        ASSERT_EQ((group.lowBits >> (7 - j)) & 1, samples[j] & 1);
      }
      const uint8_t flips = static_cast<uint8_t>(random());
      uint8_t flipped[16];
      std::copy(bytes, bytes + 16, flipped);
      SampleGrouper::flip(flipped, flips);
      for (int i = 0; i < 16; ++i) {
        uint8_t expected = i % 2 == 0 ? (flips >> (7 - i / 2)) & 1 : 0;
        ASSERT_EQ(flipped[i] ^ bytes[i], expected) << i;
      }
    }
  }
}

TEST(SampleGroups, DepositAndExtractAreInverseWithinTheMask) {
  const ByteBitTables& tables = byteBitTables();
  for (uint32_t mask = 0; mask < 256; ++mask) {
    const int set = std::popcount(mask);
    for (uint32_t bits = 0; bits < 256; ++bits) {
      uint8_t deposited = tables.deposit[mask][bits];
      ASSERT_EQ(deposited & ~mask, 0u);
      // The leading bits come back in order, whatever lies outside the mask.
      ASSERT_EQ(tables.extract[mask][deposited | (~mask & 0xA5)], set == 0 ? 0 : bits >> (8 - set));
    }
  }
  EXPECT_EQ(tables.deposit[0x5A][0xC0], 0x50);  // 1 1 into the first two set bits, 0 0 after
  EXPECT_EQ(tables.extract[0x5A][0x42], 0x9);   // bits 6, 4, 3, 1: 1 0 0 1
}

class WavSamplesTest : public ::testing::Test {
 protected:
  WavSamplesTest() : workspace(reporter, Language::kEnglish) {}

  uint32_t carrierBits(const std::string& path) {
    auto src = platform::File::openRead(path);
    IdentificationRecord record;
    EXPECT_TRUE(format_ops::count<WavFormat>({workspace, Operation::kCount}, src,
                                             CarrierRegion::wholeFile(src), record));
    return record.carrierBits;
  }
  bool hide(const std::string& path, const std::string& target, const StreamShare& share) {
    auto src = platform::File::openRead(path);
    auto dst = platform::File::createTruncate(target);
    auto streamFile = platform::File::openRead(dir.file("stream"));
    double percentage = 0;
    return format_ops::hide<WavFormat>({workspace, Operation::kHide}, src, dst,
                                       CarrierRegion::wholeFile(src), CarrierType::kWav, share,
                                       {&streamFile, {}}, percentage);
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
};

// Past the first block of 0x200000 samples; level 0 with the stream ending inside the carrier.
TEST_F(WavSamplesTest, DataCrossingSampleBlocksComesBackExactly) {
  workspace.options.setLevel(LevelFormat::kWav, 0);
  WavShape shape;
  shape.samples = soundSamples(0x200000 + 4099, 0x200000 - 1001, 4, 8);
  shape.dataTail = {0x7F};
  const std::string path = dir.file("long.wav");
  const auto original = buildWav(shape);
  writeAll(path, original);
  const uint32_t n = carrierBits(path);
  std::vector<uint8_t> stream(n / 16);
  std::mt19937 random(12);
  for (auto& b : stream) b = static_cast<uint8_t>(random());
  writeAll(dir.file("stream"), stream);
  ASSERT_TRUE(hide(path, dir.file("out.wav"), {0, n, uint32_t(stream.size() * 8)}));

  const auto out = readAll(dir.file("out.wav"));
  ASSERT_EQ(out.size(), original.size());
  const size_t first = wavSamplesOffset(shape);
  for (size_t i = 0; i < out.size(); ++i) {
    bool low = i >= first && i < first + 2 * shape.samples.size() && (i - first) % 2 == 0;
    ASSERT_EQ((out[i] ^ original[i]) & (low ? 0xFE : 0xFF), 0) << i;
  }
  auto src = platform::File::openRead(dir.file("out.wav"));
  auto temp = platform::File::createTruncate(dir.file("sink"));
  ExtractionSink sink(workspace, temp);
  ASSERT_TRUE(format_ops::read<WavFormat>({workspace, Operation::kExtract}, src,
                                          CarrierRegion::wholeFile(src), CarrierType::kWav, n,
                                          sink));
  ASSERT_TRUE(sink.flush());
  temp.close();
  const auto gathered = readAll(dir.file("sink"));
  ASSERT_EQ(gathered.size(), (n + 7) / 8);
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), gathered.begin()));
}

// A source that changed since it was counted: one unit short, or one over.
TEST_F(WavSamplesTest, HideNeedsExactlyTheCountedBits) {
  WavShape shape;
  shape.samples = soundSamples(2000, 1500, 256, 40);
  const std::string path = dir.file("e.wav");
  writeAll(path, buildWav(shape));
  const uint32_t n = carrierBits(path);
  writeAll(dir.file("stream"), std::vector<uint8_t>(n / 8 + 1, 0x5A));
  for (uint32_t bits : {n + 1, n - 1}) {
    EXPECT_FALSE(hide(path, dir.file("t.wav"), {0, bits, bits}));
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kWrongCarrierBitsNumber});
    reporter.clear();
  }
  EXPECT_TRUE(hide(path, dir.file("t.wav"), {0, n, n}));
}

}  // namespace
}  // namespace murl::test
