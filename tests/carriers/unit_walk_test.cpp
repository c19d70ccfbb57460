// The eight-at-a-time groupers against the one-unit tests they stand for, and the choice of used
// units by lead-in and spacing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "carriers/common/colour_bytes.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/sound_samples.h"
#include "carriers/common/unit_passes.h"
#include "core/options.h"

namespace murl::test {
namespace {

// What each grouper stands for: a unit's value read the plain way, whether it qualifies, and
// which byte of a unit holds the unit bit.
struct ColourBytes {
  using Grouper = ColourByteGrouper;
  static int value(const uint8_t* unit) { return unit[0]; }
  static bool qualifies(int value, uint8_t level) { return value >= (2 << level); }
};
struct LittleEndianSamples {
  using Grouper = SampleGrouper;
  static int value(const uint8_t* unit) { return static_cast<int16_t>(unit[0] | unit[1] << 8); }
  static bool qualifies(int s, uint8_t level) {
    const int t = 1 << (2 * (level + 1));
    return s >= t || s <= -t - 1;
  }
};
struct BigEndianSamples {
  using Grouper = BigEndianSampleGrouper;
  static int value(const uint8_t* unit) { return static_cast<int16_t>(unit[0] << 8 | unit[1]); }
  static bool qualifies(int s, uint8_t level) { return LittleEndianSamples::qualifies(s, level); }
};

template <class T>
class GrouperAgreement : public ::testing::Test {};
using Units = ::testing::Types<ColourBytes, LittleEndianSamples, BigEndianSamples>;
TYPED_TEST_SUITE(GrouperAgreement, Units);

// Random bytes half the time, else bytes around every level's threshold and the range's ends.
uint8_t edgyByte(std::mt19937& random, int round) {
  static constexpr uint8_t kEdges[] = {0, 1, 2, 3, 7, 8, 15, 16, 31, 63, 64, 127, 128, 254, 255};
  return round % 2 ? kEdges[random() % std::size(kEdges)] : static_cast<uint8_t>(random());
}

TYPED_TEST(GrouperAgreement, GroupsAgreeWithTheOneUnitTestAndFlipOnlyUnitBits) {
  using Grouper = typename TypeParam::Grouper;
  constexpr uint32_t kSize = Grouper::kUnitBytes;
  std::mt19937 random(5);
  for (uint8_t level = 0; level <= kMaxLevel; ++level) {
    const Grouper grouper(level);
    for (int round = 0; round < 1000; ++round) {
      uint8_t bytes[8 * kSize];
      for (auto& b : bytes) b = edgyByte(random, round);
      const UnitGroup group = grouper.group(bytes);
      for (uint32_t j = 0; j < 8; ++j) {
        uint8_t* unit = bytes + kSize * j;
        const int value = TypeParam::value(unit);
        const bool qualifies = TypeParam::qualifies(value, level);
        ASSERT_EQ((group.qualifying >> (7 - j)) & 1, qualifies) << int{level} << " " << value;
        ASSERT_EQ(grouper.qualifies(unit), qualifies);
        ASSERT_EQ((group.lowBits >> (7 - j)) & 1, value & 1);
        // The unit bit never decides, so writing it cannot change which units qualify.
        unit[Grouper::kBitByte] ^= 1;
        ASSERT_EQ(grouper.qualifies(unit), qualifies);
        unit[Grouper::kBitByte] ^= 1;
      }
      const uint8_t flips = static_cast<uint8_t>(random());
      uint8_t flipped[8 * kSize];
      std::copy(bytes, bytes + 8 * kSize, flipped);
      Grouper::flip(flipped, flips);
      for (uint32_t i = 0; i < 8 * kSize; ++i) {
        const bool unitByte = i % kSize == Grouper::kBitByte;
        ASSERT_EQ(flipped[i] ^ bytes[i], unitByte ? (flips >> (7 - i / kSize)) & 1 : 0) << i;
      }
    }
  }
}

// Counting a block word by word gives the one-unit count, across the folds of the lane sums:
// every unit loud (a lane gains one per word) and mixed values, long runs and short tails.
TYPED_TEST(GrouperAgreement, CountsOfLongBlocksAgreeWithTheOneUnitTest) {
  using Grouper = typename TypeParam::Grouper;
  constexpr uint32_t kSize = Grouper::kUnitBytes;
  struct Row {
    uint64_t from, units;
    bool allLoud;
  };
  const Row kRows[] = {{0, 0, true},      {0, 7, true},        {3, 12, false},
                       {0, 2040, true},   {0, 2041, true},     {5, 2047, false},
                       {0, 300001, true}, {11, 300000, false}, {1, 262141, true}};
  std::mt19937 random(6);
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::to_string(row.from) + " " + std::to_string(row.units));
    std::vector<uint8_t> bytes(kSize * row.units + 8);
    for (size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = row.allLoud ? (kSize == 2 && i % 2 == 1 - Grouper::kBitByte ? 0x55 : 0xD7)
                             : edgyByte(random, static_cast<int>(i));
    }
    for (uint8_t level : {uint8_t{0}, kMaxLevel}) {
      const Grouper grouper(level);
      uint64_t expected = 0;
      for (uint64_t i = row.from; i < row.units; ++i) {
        expected += TypeParam::qualifies(TypeParam::value(bytes.data() + kSize * i), level);
      }
      EXPECT_EQ(countQualifying(grouper, bytes.data(), row.from, row.units), expected);
      if (row.allLoud) {
        EXPECT_EQ(expected, row.units - std::min(row.from, row.units));
      }
    }
  }
}

// Unit i is used when it is past the lead-in S and (i - S) is a multiple of the spacing, whether
// units are taken one at a time or runs are first offered to passOver and only the unit after
// what it leaves is taken.
TEST(UnitSelection, UsesEverySpacingThUnitAfterTheLeadIn) {
  for (uint32_t leadIn : {0u, 1u, 5u, 17u}) {
    for (uint32_t spacing : {1u, 2u, 4u, 7u}) {
      std::vector<uint64_t> expected;
      for (uint64_t i = leadIn; i < 200; i += spacing) expected.push_back(i);
      for (uint64_t run : {0u, 1u, 3u, 8u, 13u, 500u}) {
        UnitSelection selection(leadIn, spacing);
        std::vector<uint64_t> used;
        for (uint64_t i = 0; i < 200;) {
          // Run 0: every unit taken one at a time.
          const uint64_t end = run == 0 ? i + 1 : std::min<uint64_t>(200, (i / run + 1) * run);
          if (run != 0) i += selection.passOver(end - i);
          if (i == end) continue;
          if (selection.take()) used.push_back(i);
          ++i;
        }
        EXPECT_EQ(used, expected) << leadIn << " " << spacing << " " << run;
      }
    }
  }
}

}  // namespace
}  // namespace murl::test
