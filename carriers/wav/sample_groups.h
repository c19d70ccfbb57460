#pragma once
// Samples eight at a time with plain 64-bit arithmetic, four 16-bit lanes to a word: which of them
// qualify and what their bit 0 holds, one byte each with the first sample in the most significant
// bit, the order unit bits are taken in.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace murl {

inline uint64_t swapBytes(uint64_t value) {
  uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i, value >>= 8) swapped = swapped << 8 | (value & 0xFF);
  return swapped;
}

// Whole-word loads and stores; the byte order of the file, whatever the machine's.
inline uint64_t le64(const uint8_t* at) {
  uint64_t value;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = swapBytes(value);
  return value;
}

inline void putLe64(uint8_t* at, uint64_t value) {
  if constexpr (std::endian::native == std::endian::big) value = swapBytes(value);
  std::memcpy(at, &value, sizeof value);
}

// Set bits of a byte; std::popcount becomes a library call where the processor's own
// instruction cannot be assumed.
inline uint32_t bitCount(uint8_t byte) {
  static constexpr std::array<uint8_t, 256> kCounts = [] {
    std::array<uint8_t, 256> counts{};
    for (uint32_t b = 1; b < 256; ++b) counts[b] = static_cast<uint8_t>(counts[b >> 1] + (b & 1));
    return counts;
  }();
  return kCounts[byte];
}

struct SampleGroup {
  uint8_t qualifying = 0;
  uint8_t lowBits = 0;
};

class SampleGrouper {
 public:
  // The lanes of bits t to 14: a sample qualifies when its magnitude has any of them.
  explicit SampleGrouper(uint8_t level)
      : loudBits_((0x7FFFu & ~((1u << (2 * (level + 1))) - 1)) * kLaneLow) {}

  // The eight samples at `at`.
  SampleGroup group(const uint8_t* at) const {
    uint64_t first = le64(at);
    uint64_t second = le64(at + 8);
    return {static_cast<uint8_t>(loudLanes(first) << 4 | loudLanes(second)),
            static_cast<uint8_t>(gather(first & kLaneLow) << 4 | gather(second & kLaneLow))};
  }

  // The 16 bytes of eight samples with bit 0 flipped where `flips` has a bit.
  static void flip(uint8_t* at, uint8_t flips) {
    putLe64(at, le64(at) ^ spread(flips >> 4));
    putLe64(at + 8, le64(at + 8) ^ spread(flips & 15));
  }

 private:
  static constexpr uint64_t kLaneLow = 0x0001000100010001;
  static constexpr uint64_t kLaneSign = 0x8000800080008000;

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
  uint32_t loudLanes(uint64_t samples) const {
    uint64_t magnitude = samples ^ (((samples >> 15) & kLaneLow) * 0xFFFF);  // s, or -s - 1
    // A lane below 0x8000 plus 0x7FFF carries into its bit 15 exactly when it is not zero.
    uint64_t loud = ((magnitude & loudBits_) + (kLaneSign - kLaneLow)) & kLaneSign;
    return gather(loud >> 15);
  }

  uint64_t loudBits_;
};

// Bit deposit and extract a byte wide, most significant bit first, indexed [mask][bits].
// deposit: the leading bits of `bits`, one for each set bit of `mask`, at those bits.
// extract: the bits of `bits` at the set bits of `mask`, packed at the low end in their order.
struct ByteBitTables {
  std::array<std::array<uint8_t, 256>, 256> deposit;
  std::array<std::array<uint8_t, 256>, 256> extract;
};
const ByteBitTables& byteBitTables();

}  // namespace murl
