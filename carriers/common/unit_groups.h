#pragma once
// Units eight at a time, for the carriers whose units are fixed-size runs of bytes (sound samples,
// colour bytes). A format's grouper says which of eight units qualify and what their unit bits
// hold, one byte each with the first unit in the most significant bit, the order unit bits are
// taken in; the passes (unit_passes.h) move the unit bits a word at a time through byte-wide
// tables and take the few units at a block's end one at a time.
//
// A grouper over units of kUnitBytes bytes, each with its unit bit in bit 0 of byte kBitByte:
//   explicit Grouper(uint8_t level);
//   UnitGroup group(const uint8_t* at) const;      the eight units from `at`
//   static void flip(uint8_t* at, uint8_t flips);  bit 0 flipped in those marked in `flips`
//   uint8_t qualifies(const uint8_t* unit) const;  one unit: 1 when it qualifies, else 0
#include <algorithm>
#include <array>
#include <concepts>
#include <cstdint>

#include "platform/byte_order.h"

namespace murl {

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

struct UnitGroup {
  uint8_t qualifying = 0;
  uint8_t lowBits = 0;
};

// Bit deposit and extract a byte wide, most significant bit first, indexed [mask][bits].
// deposit: the leading bits of `bits`, one for each set bit of `mask`, at those bits.
// extract: the bits of `bits` at the set bits of `mask`, packed at the low end in their order.
struct ByteBitTables {
  std::array<std::array<uint8_t, 256>, 256> deposit;
  std::array<std::array<uint8_t, 256>, 256> extract;
};
const ByteBitTables& byteBitTables();

// Leaves the next `count` qualifying units from unit i on, counting them off; returns where it
// stopped.
template <class Grouper>
uint64_t skipQualifying(const Grouper& grouper, const uint8_t* bytes, uint64_t i, uint64_t units,
                        uint32_t& count) {
  for (; i < units && count != 0; ++i) count -= grouper.qualifies(bytes + Grouper::kUnitBytes * i);
  return i;
}

// A grouper that also gives, for the 8 bytes at `at`, bit 0 of each unit's lane set when the
// unit qualifies; counting then adds whole words and folds the lanes once per batch.
template <class Grouper>
concept CountsLanes = requires(const Grouper& grouper, const uint8_t* at) {
  { grouper.qualifyingLanes(at) } -> std::same_as<uint64_t>;
};

template <class Grouper>
uint64_t countQualifying(const Grouper& grouper, const uint8_t* bytes, uint64_t i, uint64_t units) {
  uint64_t qualifying = 0;
  if constexpr (CountsLanes<Grouper>) {
    constexpr uint32_t kLaneBits = 8 * Grouper::kUnitBytes;
    constexpr uint64_t kUnitsPerWord = 8 / Grouper::kUnitBytes;
    constexpr uint64_t kLaneMask = (uint64_t{1} << kLaneBits) - 1;
    const uint8_t* at = bytes + Grouper::kUnitBytes * i;
    for (uint64_t words = (units - i) / kUnitsPerWord; words != 0;) {
      // Each word adds at most 1 to a lane: fold before a lane could overflow.
      const uint64_t batch = std::min(words, kLaneMask);
      uint64_t lanes = 0;
      for (uint64_t k = 0; k < batch; ++k, at += 8) lanes += grouper.qualifyingLanes(at);
      for (uint32_t shift = 0; shift < 64; shift += kLaneBits)
        qualifying += (lanes >> shift) & kLaneMask;
      words -= batch;
      i += batch * kUnitsPerWord;
    }
  } else {
    for (; i + 8 <= units; i += 8) {
      qualifying += bitCount(grouper.group(bytes + Grouper::kUnitBytes * i).qualifying);
    }
  }
  for (; i < units; ++i) qualifying += grouper.qualifies(bytes + Grouper::kUnitBytes * i);
  return qualifying;
}

}  // namespace murl
