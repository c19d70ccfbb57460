#pragma once
// Where the units of a raw image file lie, worked out from the format's layout by the tests
// themselves, to check hidden bits at their exact places in a target.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "carriers/round_trip.h"

namespace murl::test {

// The file offsets of the qualifying units among `candidates` (every unit byte in processing
// order) at `level`.
inline std::vector<size_t> qualifyingUnits(const std::vector<uint8_t>& file,
                                           const std::vector<size_t>& candidates, uint8_t level) {
  std::vector<size_t> units;
  for (size_t at : candidates) {
    if ((file[at] >> (level + 1)) != 0) units.push_back(at);
  }
  return units;
}

// The lead-in units unchanged, and the next `bits` units holding the inverted stream bits.
inline void expectHiddenBitsInPlace(const std::vector<uint8_t>& source,
                                    const std::vector<uint8_t>& target,
                                    const std::vector<size_t>& units, uint32_t leadIn,
                                    const std::vector<uint8_t>& stream, uint32_t bits) {
  ASSERT_GE(units.size(), leadIn + bits);
  for (uint32_t i = 0; i < leadIn; ++i) EXPECT_EQ(target[units[i]], source[units[i]]) << i;
  for (uint32_t k = 0; k < bits; ++k) {
    const uint8_t hidden = bitAt(stream.data(), k);
    ASSERT_EQ(target[units[leadIn + k]] & 1, hidden ^ 1) << "data bit " << k;
    ASSERT_EQ(target[units[leadIn + k]] | 1, source[units[leadIn + k]] | 1) << "data bit " << k;
  }
}

}  // namespace murl::test
