#include "transforms/random_source.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace murl {
namespace {

std::vector<uint8_t> patternPool() {
  std::vector<uint8_t> pool(RandomSource::kPoolSize);
  for (size_t i = 0; i < pool.size(); ++i) pool[i] = static_cast<uint8_t>(i * 37 + (i >> 8));
  return pool;
}

RandomSource sourceWith(const std::vector<uint8_t>& pool) {
  RandomSource random;
  random.loadPool(pool);
  return random;
}

TEST(RandomDraws, EqualBoundsLeaveThePoolAloneAndExchangedOnesDrawTheSame) {
  RandomSource a = sourceWith(patternPool()), b = sourceWith(patternPool());
  EXPECT_EQ(a.drawByte(5, 5), 5);
  EXPECT_EQ(a.drawWord(700, 700), 700);
  EXPECT_EQ(a.index(), 0);
  for (int k = 0; k < 50; ++k) {
    ASSERT_EQ(a.drawByte(0x7A, 0x61), b.drawByte(0x61, 0x7A));
    ASSERT_EQ(a.drawWord(9000, 300), b.drawWord(300, 9000));
    ASSERT_EQ(a.index(), b.index());
  }
}

// Full-range draws take the pool as it is: bytes step on by 1, 2, ... 10, words by 2 ... 10.
TEST(RandomDraws, FullRangeBytesAndLittleEndianWordsStepInCycles) {
  const std::vector<uint8_t> pool = patternPool();
  RandomSource bytes = sourceWith(pool), words = sourceWith(pool);
  size_t b = 0, w = 0;
  for (size_t k = 0; k < 12; ++k) {
    EXPECT_EQ(bytes.drawByte(0, 255), pool[b]) << k;
    b += k % 10 + 1;
    EXPECT_EQ(bytes.index(), b);
    EXPECT_EQ(words.drawWord(0, 0xFFFF), pool[w] | pool[w + 1] << 8) << k;
    w += k % 9 + 2;
    EXPECT_EQ(words.index(), w);
  }
}

// A fill of n bytes is n full-range draws: same bytes, same index and step after, from any
// start (mid-cycle steps and a walk across the pool's end included).
TEST(RandomDraws, FillingIsFullRangeByteDrawsInBulk) {
  for (const auto& [skip, n] : {std::pair{0, 0}, {0, 1}, {3, 10}, {7, 23}, {1, 250000}}) {
    RandomSource filled = sourceWith(patternPool()), drawn = sourceWith(patternPool());
    for (int k = 0; k < skip; ++k) {
      filled.drawByte(0, 255);
      drawn.drawByte(0, 255);
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    filled.fillBytes(bytes.data(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], drawn.drawByte(0, 255)) << i;
    EXPECT_EQ(filled.index(), drawn.index());
    EXPECT_EQ(filled.drawByte(0, 255), drawn.drawByte(0, 255)) << "the step carries on";
  }
}

// A miss still steps the index on; after a thousand misses the midpoint is taken.
TEST(RandomDraws, TheComplementCountsAndAThousandMissesGiveTheMidpoint) {
  std::vector<uint8_t> pool(RandomSource::kPoolSize, 0x00);
  pool[0] = 0xF3;  // complement 0x0C
  pool[1] = 0x90;  // neither 0x90 nor 0x6F lies in 0..15
  pool[3] = 0x05;
  RandomSource random = sourceWith(pool);
  EXPECT_EQ(random.drawByte(0, 15), 0x0C);
  EXPECT_EQ(random.index(), 1);
  EXPECT_EQ(random.drawByte(1, 15), 0x05);  // tries offset 1, then 1 + 2 = 3
  EXPECT_EQ(random.index(), 6);
  EXPECT_EQ(random.drawByte(5, 10), 7);
  EXPECT_EQ(random.index(), 6 + 5500);  // a hundred rounds of 1 + ... + 10
  EXPECT_EQ(random.drawWord(10, 20), 15);
}

TEST(RandomDraws, WordDrawsNeverStopOnTheLastByte) {
  // Follows the index independently through several wraps of the pool; each word draw accepts
  // at once, and a step landing on 0xFFFF is followed by the next step.
  RandomSource random = sourceWith(patternPool());
  uint32_t at = 0, step = 2;
  int skips = 0;
  for (int k = 0; k < 200000; ++k) {
    random.drawWord(0, 0xFFFF);
    do {
      at = (at + step) % 65536;
      step = step == 10 ? 2 : step + 1;
      skips += at == 0xFFFF;
    } while (at == 0xFFFF);
    ASSERT_EQ(random.index(), at) << "draw " << k;
  }
  EXPECT_GT(skips, 0);
}

TEST(RandomDraws, AWordAtTheLastByteWrapsToTheFirst) {
  const std::vector<uint8_t> pool = patternPool();
  RandomSource random = sourceWith(pool);
  // From index 2, 1191 rounds of ten byte draws (55 each) and seven more (28) reach 0xFFFF.
  random.mixClock(2, 0);
  for (int k = 0; k < 1191 * 10 + 7; ++k) random.drawByte(0, 255);
  ASSERT_EQ(random.index(), 0xFFFF);
  const uint8_t last = random.poolByte(0xFFFF), first = random.poolByte(0);
  EXPECT_EQ(random.drawWord(0, 0xFFFF), last | first << 8);
}

TEST(RandomSeeding, ClockStepMixesEveryPairAndResetsTheSteps) {
  const std::vector<uint8_t> pool = patternPool();
  RandomSource random = sourceWith(pool);
  random.drawByte(0, 255);
  random.drawWord(0, 0xFFFF);
  const int sec = 59, ms = 999;
  random.mixClock(sec, ms);
  EXPECT_EQ(random.index(), sec + ms);
  for (size_t e = 0; e < pool.size(); e += 2) {
    ASSERT_EQ(random.poolByte(e), ((pool[e] - sec) ^ ms) & 0xFF) << e;
    ASSERT_EQ(random.poolByte(e + 1), ((pool[e + 1] + ms) ^ sec) & 0xFF) << e;
  }
  random.drawByte(0, 255);
  EXPECT_EQ(random.index(), sec + ms + 1);
  random.drawWord(0, 0xFFFF);
  EXPECT_EQ(random.index(), sec + ms + 1 + 2);
}

// Seeding starts from the embedded pool and mixes the clock in, but the system's entropy keeps
// the pool unlike any clock reading's: no pair of seconds and milliseconds of the index's sum,
// from the embedded pool alone, may give it, or anyone with the program and a clock could replay
// the fill bits.
TEST(RandomSeeding, TheSystemsEntropyMakesThePoolUnlikeAnyClockReading) {
  ASSERT_EQ(embeddedRandomPool().size(), RandomSource::kPoolSize);
  EXPECT_EQ(RandomSource().poolByte(12345), embeddedRandomPool()[12345]);
  RandomSource seeded;
  seeded.seed();
  const int sum = seeded.index();
  EXPECT_LT(sum, 59 + 999 + 1);
  for (int sec = 0; sec <= 59 && sec <= sum; ++sec) {
    RandomSource replay;
    replay.mixClock(static_cast<uint16_t>(sec), static_cast<uint16_t>(sum - sec));
    size_t same = 0;
    for (size_t i = 0; i < RandomSource::kPoolSize; ++i)
      same += replay.poolByte(i) == seeded.poolByte(i);
    EXPECT_LT(same, RandomSource::kPoolSize / 64) << sec;  // about 1 in 256 by chance
  }
}

}  // namespace
}  // namespace murl
