#pragma once
// What the JPEG carrier tests share: built carriers of random coefficients, the committed
// fixtures, and the comparison of a target with its source through the reference reading.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/jpeg_builder.h"
#include "support/jpeg_reference.h"
#include "support/temp_dir.h"

namespace murl::test {

// Coefficients of a busy photograph: about one in three of the first 24 AC positions non-zero,
// magnitudes spread from 1 to 400, the rest zero.
inline CoefficientOf busyCoefficients(uint32_t seed) {
  return [seed](uint64_t block, uint32_t k) {
    uint64_t x = (block * 64 + k) * 0x9E3779B97F4A7C15ull ^ seed;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    if (k == 0) return static_cast<int>(x % 61) - 30;
    if (k > 24 || x % 3 != 0) return 0;
    const int magnitude = 1 + static_cast<int>((x >> 8) % 400);
    return (x >> 20) & 1 ? magnitude : -magnitude;
  };
}

inline std::vector<uint8_t> jpegFixture(const std::string& name) {
  return readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
}

// Both files read the same outside their units: every marker segment, restart marker and byte
// after EOI equal, the same segments of entropy-coded data (unstuffed) with the same units, and
// no bit changed but unit bits. Returns the target's reading.
inline ReferenceWalk expectSameOutsideUnits(const std::vector<uint8_t>& source,
                                            const std::vector<uint8_t>& target, uint8_t level) {
  const ReferenceWalk from = referenceWalk(source, level);
  ReferenceWalk to = referenceWalk(target, level);
  EXPECT_TRUE(from.ok && to.ok);
  EXPECT_EQ(from.outside, to.outside);
  EXPECT_EQ(from.units.size(), to.units.size());
  EXPECT_EQ(from.segments.size(), to.segments.size());
  if (from.segments.size() != to.segments.size() || from.units.size() != to.units.size()) {
    return to;
  }
  std::vector<std::vector<uint8_t>> diff = from.segments;
  for (size_t s = 0; s < diff.size(); ++s) {
    EXPECT_EQ(diff[s].size(), to.segments[s].size()) << "segment " << s;
    if (diff[s].size() != to.segments[s].size()) return to;
    for (size_t i = 0; i < diff[s].size(); ++i) diff[s][i] ^= to.segments[s][i];
  }
  for (size_t u = 0; u < from.units.size(); ++u) {
    const ReferenceUnit& unit = from.units[u];
    EXPECT_EQ(unit.segment, to.units[u].segment);
    EXPECT_EQ(unit.bit, to.units[u].bit);
    diff[unit.segment][unit.bit / 8] &= static_cast<uint8_t>(~(0x80 >> (unit.bit % 8)));
  }
  for (size_t s = 0; s < diff.size(); ++s) {
    for (size_t i = 0; i < diff[s].size(); ++i) {
      EXPECT_EQ(diff[s][i], 0) << "segment " << s << " byte " << i;
      if (diff[s][i] != 0) return to;
    }
  }
  return to;
}

}  // namespace murl::test
