#pragma once
// What the 16-bit sound formats share: which samples qualify, the lead-in, and samples eight at
// a time with plain 64-bit arithmetic, four lanes to a word, in the byte order of the file
// (little-endian for WAV, big-endian for AIFF and AU). Each sample is a unit and bit 0 its unit
// bit; see unit_groups.h for what a grouper gives.
#include <array>
#include <bit>
#include <cstdint>

#include "carriers/common/unit_groups.h"

namespace murl {

// Whether a sample qualifies at a level: s >= 2^t or s <= -2^t - 1 with t = 2 (level + 1).
// Bit 0 never takes part, so writing unit bits cannot change which samples qualify.
inline bool sampleQualifies(int16_t sample, uint8_t level) {
  int magnitude = sample ^ (sample >> 15);  // s for s >= 0, -s - 1 below
  return (magnitude >> (2 * (level + 1))) != 0;
}

// The lead-in of the sound formats: (size AND 15) + level units, size being the whole file's
// (or a module resource's).
inline uint32_t soundLeadIn(uint64_t size, uint8_t level) {
  return static_cast<uint32_t>(size & 15) + level;
}

using SampleGroup = UnitGroup;

template <std::endian Order>
class OrderedSampleGrouper {
 public:
  static constexpr uint32_t kUnitBytes = 2;
  static constexpr uint32_t kBitByte = Order == std::endian::little ? 0 : 1;

  // The lanes of bits t to 14: a sample qualifies when its magnitude has any of them.
  explicit OrderedSampleGrouper(uint8_t level)
      : level_(level), loudBits_((0x7FFFu & ~((1u << (2 * (level + 1))) - 1)) * kLaneLow) {}

  // The eight samples at `at`.
  UnitGroup group(const uint8_t* at) const {
    const uint64_t first = lanes(at);
    const uint64_t second = lanes(at + 8);
    return {static_cast<uint8_t>(gather(loudLanes(first)) << 4 | gather(loudLanes(second))),
            static_cast<uint8_t>(gather(first & kLaneLow) << 4 | gather(second & kLaneLow))};
  }

  // The 16 bytes of eight samples with bit 0 flipped where `flips` has a bit.
  static void flip(uint8_t* at, uint8_t flips) {
    constexpr int kShift = 8 * kBitByte;  // the low byte's place in a little-endian lane
    storeLe64(at, loadLe64(at) ^ (spread(flips >> 4) << kShift));
    storeLe64(at + 8, loadLe64(at + 8) ^ (spread(flips & 15) << kShift));
  }

  // The four samples at `at`: bit 0 of a sample's lane set when it qualifies.
  uint64_t qualifyingLanes(const uint8_t* at) const { return loudLanes(lanes(at)); }

  uint8_t qualifies(const uint8_t* sample) const {
    const uint16_t value = Order == std::endian::little ? loadLe16(sample) : loadBe16(sample);
    return sampleQualifies(static_cast<int16_t>(value), level_);
  }

 private:
  static constexpr uint64_t kLaneLow = 0x0001000100010001;
  static constexpr uint64_t kLaneSign = 0x8000800080008000;

  // Four samples, the first in the low lane, each lane holding the sample's value.
  static uint64_t lanes(const uint8_t* at) {
    const uint64_t word = loadLe64(at);
    if constexpr (Order == std::endian::little) return word;
    return ((word >> 8) & 0x00FF00FF00FF00FF) | ((word & 0x00FF00FF00FF00FF) << 8);
  }

  // Bit 0 of lane j as bit 3 - j: the multiplier moves each to its place without overlaps.
  static uint32_t gather(uint64_t lanes) {
    return static_cast<uint32_t>((lanes * 0x8000400020001000) >> 60);
  }
  // The inverse: bit 3 - j of a nibble as bit 0 of lane j.
  static uint64_t spread(uint32_t nibble) { return kSpread[nibble]; }
  static constexpr std::array<uint64_t, 16> kSpread = [] {
    std::array<uint64_t, 16> lanes{};
    for (uint32_t n = 0; n < 16; ++n) {
      for (int j = 0; j < 4; ++j) lanes[n] |= uint64_t{(n >> (3 - j)) & 1} << (16 * j);
    }
    return lanes;
  }();
  uint64_t loudLanes(uint64_t samples) const {
    uint64_t magnitude = samples ^ (((samples >> 15) & kLaneLow) * 0xFFFF);  // s, or -s - 1
    // A lane below 0x8000 plus 0x7FFF carries into its bit 15 exactly when it is not zero.
    uint64_t loud = ((magnitude & loudBits_) + (kLaneSign - kLaneLow)) & kLaneSign;
    return loud >> 15;
  }

  uint8_t level_;
  uint64_t loudBits_;
};

using SampleGrouper = OrderedSampleGrouper<std::endian::little>;        // WAV
using BigEndianSampleGrouper = OrderedSampleGrouper<std::endian::big>;  // AIFF and AU

}  // namespace murl
