// The word forms of the chunk source and the sink against their bit-at-a-time forms.
#include <gtest/gtest.h>

#include <random>

#include "bits/bit_spreader.h"
#include "support/faulty_file_system.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {
namespace {

class BitSpreaderWordsTest : public ::testing::Test {
 protected:
  BitSpreaderWordsTest()
      : byBits(reporter, Language::kEnglish), byWords(reporter, Language::kEnglish) {}

  RecordingReporter reporter;
  Workspace byBits;
  Workspace byWords;
  TempDir dir;
  std::mt19937 random{91};
};

// An unaligned start, a stream ending inside the first chunk, a random second chunk, the trailer.
TEST_F(BitSpreaderWordsTest, WordsGiveTheSameBitsAsNext) {
  std::vector<uint8_t> stream(kChunkBits / 8 + 16);
  for (auto& b : stream) b = static_cast<uint8_t>(random());
  writeAll(dir.file("stream"), stream);
  auto bitFile = platform::realFileSystem().openRead(dir.file("stream"));
  auto wordFile = platform::realFileSystem().openRead(dir.file("stream"));
  const StreamShare share{13, kChunkBits + 300, kChunkBits - 37};
  TrailerFields fields{7, 8, 1, 2};
  ChunkSource bits(byBits, bitFile, share, fields);
  ChunkSource words(byWords, wordFile, share, fields);
  uint32_t most = 1;
  while (words.remaining() != 0) {
    uint64_t word = 0;
    uint32_t count = 0;
    ASSERT_TRUE(words.nextWord(word, count, most));
    ASSERT_GE(count, 1u);
    ASSERT_LE(count, most);
    ASSERT_EQ(count == 64 ? 0 : word << count, 0u) << "bits past the count";
    for (uint32_t k = 0; k < count; ++k) {
      uint8_t unit = 0;
      ASSERT_TRUE(bits.next(unit));
      ASSERT_EQ(unit, (word >> (63 - k)) & 1) << words.remaining();
    }
    ASSERT_EQ(bits.remaining(), words.remaining());
    most = most % 64 + 1;
  }
  EXPECT_EQ(words.dataCheck(), bits.dataCheck());
  EXPECT_EQ(byWords.random.index(), byBits.random.index());
}

TEST_F(BitSpreaderWordsTest, SinkTakesWordsAsItTakesBitsAcrossAFullBuffer) {
  auto bitTemp = platform::realFileSystem().createTruncate(dir.file("bits"));
  auto wordTemp = platform::realFileSystem().createTruncate(dir.file("words"));
  ExtractionSink bits(byBits, bitTemp);
  ExtractionSink words(byWords, wordTemp);
  // A partial byte carried over from an earlier carrier.
  for (uint8_t unit : {1, 0, 1}) ASSERT_TRUE(bits.putUnitBit(unit) && words.putUnitBit(unit));
  for (uint32_t count = 1; words.bitsTaken() < uint64_t{kSinkBufferSize} * 8 + 500;
       count = count % 64 + 1) {
    uint64_t word = uint64_t{random()} << 32 | random();
    ASSERT_TRUE(words.putUnitBits(word, count));
    for (uint32_t k = count; k-- > 0;) ASSERT_TRUE(bits.putUnitBit((word >> k) & 1));
  }
  EXPECT_EQ(words.bitsTaken(), bits.bitsTaken());
  ASSERT_TRUE(bits.flush() && words.flush());
  bitTemp.close();
  wordTemp.close();
  EXPECT_EQ(readAll(dir.file("words")), readAll(dir.file("bits")));

  FaultyFileSystem faults;
  auto failing = faults.createTruncate(dir.file("failing"));
  faults.failFrom(FsCall::kWrite);
  ExtractionSink sink(byWords, failing);
  bool ok = true;
  for (uint64_t k = 0; k < kSinkBufferSize / 8 + 1 && ok; ++k) ok = sink.putUnitBits(k, 64);
  EXPECT_FALSE(ok);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntWriteTempFile});
}

}  // namespace
}  // namespace murl::test
