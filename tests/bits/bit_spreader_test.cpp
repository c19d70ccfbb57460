#include "bits/bit_spreader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "transforms/cipher.h"

namespace murl::test {
namespace {

class BitSpreaderTest : public ::testing::Test {
 protected:
  BitSpreaderTest() : workspace(reporter, Language::kEnglish) {}

  // A stream file of `bytes` random bytes, kept in `stream` too.
  platform::File makeStream(size_t bytes) {
    stream.resize(bytes);
    std::mt19937 random(77);
    for (auto& b : stream) b = static_cast<uint8_t>(random());
    writeAll(dir.file("stream"), stream);
    return platform::realFileSystem().openRead(dir.file("stream"));
  }

  // The hidden bits a chunk source gives (its unit bits inverted), data bits only.
  std::vector<uint8_t> dataBits(ChunkSource& source, uint32_t n) {
    std::vector<uint8_t> bits(n);
    for (auto& b : bits) {
      uint8_t unit = 0;
      EXPECT_TRUE(source.next(unit));
      b = unit ^ 1;
    }
    return bits;
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
  std::vector<uint8_t> stream;
};

// A chunk in which the stream ends takes the stream's last bits, then random bits drawn for every
// byte the chunk spans (and no more): a fill too short would leave the last bits to whatever the
// work buffer held.
TEST_F(BitSpreaderTest, AnEndingChunkTakesTheLastStreamBitsThenRandomBits) {
  const struct {
    StreamShare share;
    size_t streamBytes;
    size_t spannedBytes;
  } rows[] = {
      {{8000 - 5, 1000, 5}, 1000, 126},  // from bit 3 of the stream's last byte
      {{5, 12, 3}, 1, 3},                // bits 5..16
      // A second chunk of 13 random bits draws two bytes of its own.
      {{0, kChunkBits + 13, 8000}, 1000, kChunkBits / 8 + 2},
  };
  for (const auto& row : rows) {
    auto file = makeStream(row.streamBytes);
    std::memset(workspace.workBuffer.data(), 0xFF,
                std::min(row.spannedBytes, workspace.workBuffer.size()));
    RandomSource expected = workspace.random;
    ChunkSource source(workspace, file, row.share, {});
    auto bits = dataBits(source, row.share.carrierBits);
    std::vector<uint8_t> fill(row.spannedBytes);
    for (auto& byte : fill) byte = expected.drawByte(0, 255);
    const uint32_t first = row.share.startBit % 8;
    for (uint32_t k = 0; k < row.share.carrierBits; ++k) {
      const uint8_t bit = k < row.share.streamBits ? bitAt(stream.data(), row.share.startBit + k)
                                                   : bitAt(fill.data(), first + k);
      ASSERT_EQ(bits[k], bit) << k;
    }
    EXPECT_EQ(workspace.random.drawByte(0, 255), expected.drawByte(0, 255));
  }
}

TEST_F(BitSpreaderTest, LongCarrierUsesChunksOfAtMostFourMegabits) {
  const uint32_t n = kChunkBits + 1;
  auto file = makeStream(n / 8 + 1);
  ChunkSource source(workspace, file, {0, n, n - 1}, {});
  auto bits = dataBits(source, n);
  EXPECT_EQ(bits[n - 2], bitAt(stream.data(), n - 2));
  // The one-bit second chunk adds nothing to the check.
  EXPECT_EQ(source.dataCheck(), adler32(1, stream.data(), kChunkBits / 8));
  EXPECT_EQ(source.remaining(), kTrailerBits);
}

TEST_F(BitSpreaderTest, TrailerFollowsTheDataEncipheredUnderTheDataCheck) {
  auto file = makeStream(32);
  TrailerFields fields{0x01020304, 0xA0B0C0D0, 0x0102, 0x0304};
  auto header = trailerHeader(fields);
  const uint8_t expectedHead[20] = {'M', 'u', 'r',  'l',  '1',  '.',  '0', '1', 4, 3,
                                    2,   1,   0xD0, 0xC0, 0xB0, 0xA0, 2,   1,   4, 3};
  EXPECT_EQ(std::memcmp(header.data(), expectedHead, 20), 0);
  for (size_t i = 20; i < kTrailerHeaderSize; ++i) EXPECT_EQ(header[i], 0) << "password byte";

  RandomSource random = workspace.random;
  workspace.password.take("a password of 26 characters");
  ChunkSource source(workspace, file, {0, 200, 200}, fields);
  dataBits(source, 200);
  std::vector<uint8_t> trailer(kTrailerSize);
  for (size_t k = 0; k < kTrailerBits; ++k) {
    uint8_t unit = 0;
    ASSERT_TRUE(source.next(unit));
    if (!unit) trailer[k / 8] |= static_cast<uint8_t>(0x80 >> (k % 8));
  }
  EXPECT_EQ(source.remaining(), 0u);
  uint8_t expected[kTrailerSize] = {};
  std::memcpy(expected, header.data(), header.size());
  encipherHeader(expected, adler32(1, stream.data(), 25), random);
  EXPECT_EQ(std::memcmp(trailer.data(), expected, kTrailerSize), 0);
}

TEST_F(BitSpreaderTest, ShortStreamFileIsReported) {
  auto file = makeStream(4);
  ChunkSource source(workspace, file, {0, 64, 64}, {});
  uint8_t unit = 0;
  EXPECT_FALSE(source.next(unit));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntReadTempFile});
}

TEST_F(BitSpreaderTest, SinkGathersWholeBuffersAndThePartialLastByte) {
  std::string path = dir.file("gathered");
  auto temp = platform::realFileSystem().createTruncate(path);
  ExtractionSink sink(workspace, temp);
  for (int i = 0; i < 1001; ++i) ASSERT_TRUE(sink.putUnitBit(i % 3 == 0 ? 0 : 1));
  ASSERT_TRUE(sink.flush());
  temp.close();
  auto bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 126u);
  for (int i = 0; i < 1001; ++i) ASSERT_EQ(bitAt(bytes.data(), i), i % 3 == 0 ? 1 : 0) << i;
  EXPECT_EQ(bytes[125] & 0x7F, 0);
}

TEST_F(BitSpreaderTest, MarkStreamRestartsEveryFourMegabits) {
  MarkField mark;
  for (size_t i = 0; i < kMarkSize; ++i) mark[i] = static_cast<uint8_t>(i * 37 + 1);
  // The pattern written out: byte j of 0x80000 is mark byte j mod 100.
  std::vector<uint8_t> pattern(kMarkWindowBits / 8);
  for (size_t j = 0; j < pattern.size(); ++j) pattern[j] = mark[j % kMarkSize];
  MarkBitSource source(mark);
  for (uint64_t k = 0; k < uint64_t{kMarkWindowBits} + 2000; ++k) {
    uint8_t expected = bitAt(pattern.data(), k % kMarkWindowBits);
    ASSERT_EQ(source.next(), expected ^ 1) << k;
    ASSERT_EQ(MarkBitSource::markBit(mark, k), expected) << k;
  }
}

TEST_F(BitSpreaderTest, CollectorCountsWholeBytesPerPositionAndRestartsWithTheMark) {
  MarkField mark;
  for (size_t i = 0; i < kMarkSize; ++i) mark[i] = static_cast<uint8_t>(255 - i);
  CheckCollector collector;
  MarkBitSource source(mark);
  const uint64_t bits = uint64_t{kMarkWindowBits} + 1605;  // a partial byte at the end
  for (uint64_t k = 0; k < bits; ++k) collector.addUnitBit(source.next());
  EXPECT_EQ(collector.totalBits(), bits);
  uint32_t windowBytes = kMarkWindowBits / 8;
  for (size_t p = 0; p < kMarkSize; ++p) {
    uint32_t inWindow = windowBytes / 100 + (p < windowBytes % 100 ? 1 : 0);
    // After the restart 200 whole bytes: twice round the mark.
    EXPECT_EQ(collector.counter(p, mark[p]), inWindow + 2) << p;
  }
  collector.reset();
  EXPECT_EQ(collector.counter(0, mark[0]), 0u);
  EXPECT_EQ(collector.totalBits(), 0u);
}

}  // namespace
}  // namespace murl::test
