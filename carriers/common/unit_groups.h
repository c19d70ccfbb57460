#pragma once
// Units eight at a time, for the carriers whose units are fixed-size runs of bytes (sound samples,
// colour bytes). A format's grouper says which of eight units qualify and what their unit bits
// hold, one byte each with the first unit in the most significant bit, the order unit bits are
// taken in; UnitWriter and UnitReader move the unit bits a word at a time through byte-wide
// tables and take the few units at a block's end one at a time.
//
// A grouper over units of kUnitBytes bytes, each with its unit bit in bit 0 of byte kBitByte:
//   explicit Grouper(uint8_t level);
//   UnitGroup group(const uint8_t* at) const;      the eight units from `at`
//   static void flip(uint8_t* at, uint8_t flips);  bit 0 flipped in those marked in `flips`
//   uint8_t qualifies(const uint8_t* unit) const;  one unit: 1 when it qualifies, else 0
#include <algorithm>
#include <array>
#include <cstdint>

#include "bits/bit_spreader.h"
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

template <class Grouper>
uint64_t countQualifying(const Grouper& grouper, const uint8_t* bytes, uint64_t i, uint64_t units) {
  uint64_t qualifying = 0;
  for (; i + 8 <= units; i += 8) {
    qualifying += bitCount(grouper.group(bytes + Grouper::kUnitBytes * i).qualifying);
  }
  for (; i < units; ++i) qualifying += grouper.qualifies(bytes + Grouper::kUnitBytes * i);
  return qualifying;
}

// Writes the unit bits of a carrier into its qualifying units after the lead-in, a word of them
// at a time, and counts the qualifying units left over once they are all written. Blocks are
// handed over in the carrier's order; the lead-in and held bits carry from one to the next.
template <class Grouper>
class UnitWriter {
 public:
  UnitWriter(ChunkSource& bits, uint32_t leadIn, uint8_t level)
      : bits_(bits), leadIn_(leadIn), grouper_(level) {}

  // False when the source fails (it has shown its message).
  bool block(uint8_t* bytes, uint64_t units) {
    uint64_t i = skipQualifying(grouper_, bytes, 0, units, leadIn_);
    if (!spendGroups(bytes, i, units)) return false;
    // The block's last units, and those after the source ran short, one at a time.
    while (i < units) {
      if (left_ == 0) {
        if (bits_.remaining() == 0) {
          beyond_ += countQualifying(grouper_, bytes, i, units);
          break;
        }
        if (!bits_.nextWord(word_, left_)) return false;
      }
      i = spendWord(bytes, i, units);
    }
    return true;
  }
  // Unit bits not written yet: those held and those still in the source.
  uint64_t unwritten() const { return left_ + bits_.remaining(); }
  uint64_t changed() const { return changed_; }
  uint64_t beyond() const { return beyond_; }
  // Every unit bit written into exactly the units there were for them.
  bool complete() const { return unwritten() == 0 && beyond_ == 0; }

 private:
  static constexpr uint32_t kSize = Grouper::kUnitBytes;

  // Tops the held bits up to at least 8 while the source has more.
  bool topUp() {
    while (left_ < 8 && bits_.remaining() != 0) {
      uint64_t more = 0;
      uint32_t count = 0;
      if (!bits_.nextWord(more, count, 64 - left_)) return false;
      word_ |= more >> left_;
      left_ += count;
    }
    return true;
  }

  // Eight units at a time while the held bits cover each group's qualifying ones; `i` ends at
  // the first group left alone. False when the source fails.
  bool spendGroups(uint8_t* bytes, uint64_t& i, uint64_t units) {
    // Locals, so the loop does not go through memory for its state.
    uint64_t word = word_;
    uint32_t left = left_;
    uint64_t changed = changed_;
    for (; i + 8 <= units; i += 8) {
      if (left < 8) {
        word_ = word;
        left_ = left;
        if (!topUp()) return false;
        word = word_;
        left = left_;
      }
      uint8_t* at = bytes + kSize * i;
      const UnitGroup group = grouper_.group(at);
      const uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > left) break;
      const uint8_t wanted = tables_.deposit[group.qualifying][word >> 56];
      const uint8_t flips = (wanted ^ group.lowBits) & group.qualifying;
      Grouper::flip(at, flips);
      changed += bitCount(flips);
      word <<= qualifying;
      left -= qualifying;
    }
    word_ = word;
    left_ = left;
    changed_ = changed;
    return true;
  }

  // Up to the block's end or the word's last bit. Which units qualify and the bits themselves
  // are close to random, so neither decides a branch.
  uint64_t spendWord(uint8_t* bytes, uint64_t i, uint64_t units) {
    uint64_t word = word_;
    uint32_t left = left_;
    uint64_t changed = changed_;
    while (i < units) {
      uint8_t* unit = bytes + kSize * i++;
      const uint8_t qualifies = grouper_.qualifies(unit);
      uint8_t& low = unit[Grouper::kBitByte];
      const uint8_t differs = (low ^ static_cast<uint8_t>(word >> 63)) & qualifies;
      low ^= differs;
      changed += differs;
      word <<= qualifies;
      if ((left -= qualifies) == 0) break;
    }
    word_ = word;
    left_ = left;
    changed_ = changed;
    return i;
  }

  ChunkSource& bits_;
  uint32_t leadIn_;
  const Grouper grouper_;
  const ByteBitTables& tables_ = byteBitTables();
  uint64_t word_ = 0;  // unit bits taken from the source and not yet written, from bit 63
  uint32_t left_ = 0;
  uint64_t changed_ = 0;
  uint64_t beyond_ = 0;
};

// Reads back the unit bits of a carrier's N data units, a word of them at a time, and checks
// that exactly the 544 trailer units follow.
template <class Grouper>
class UnitReader {
 public:
  UnitReader(uint32_t leadIn, uint32_t carrierBits, uint8_t level)
      : leadIn_(leadIn), dataLeft_(carrierBits), grouper_(level) {}

  // Hands the block's data bits to `take(unitBits, count)`, at most 64 in the low bits, the first
  // most significant. False when take fails or a qualifying unit lies past the trailer.
  template <class TakeWord>
  bool block(const uint8_t* bytes, uint64_t units, TakeWord& take) {
    uint64_t i = skipQualifying(grouper_, bytes, 0, units, leadIn_);
    uint64_t word = 0;
    uint32_t count = 0;
    for (; i + 8 <= units; i += 8) {
      const UnitGroup group = grouper_.group(bytes + kSize * i);
      const uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > dataLeft_) break;  // the data ends inside: one at a time below
      word = word << qualifying | tables_.extract[group.qualifying][group.lowBits];
      count += qualifying;
      dataLeft_ -= qualifying;
      if (count > 56 && !takeWord(take, word, count)) return false;
    }
    if (count != 0 && !takeWord(take, word, count)) return false;
    while (i < units && dataLeft_ != 0) {
      i = gatherWord(bytes, i, units, word, count);
      dataLeft_ -= count;
      if (count != 0 && !take(word, count)) return false;
    }
    i = skipQualifying(grouper_, bytes, i, units, trailerLeft_);
    beyond_ = countQualifying(grouper_, bytes, i, units) != 0;
    return !beyond_;
  }
  bool beyond() const { return beyond_; }
  // Every lead-in, data and trailer unit was met.
  bool complete() const { return leadIn_ == 0 && dataLeft_ == 0 && trailerLeft_ == 0; }

 private:
  static constexpr uint32_t kSize = Grouper::kUnitBytes;

  template <class TakeWord>
  static bool takeWord(TakeWord& take, uint64_t& word, uint32_t& count) {
    const bool ok = take(word, count);
    word = 0;
    count = 0;
    return ok;
  }

  uint64_t gatherWord(const uint8_t* bytes, uint64_t i, uint64_t units, uint64_t& word,
                      uint32_t& count) const {
    const uint32_t limit = std::min<uint32_t>(dataLeft_, 64);
    uint64_t bits = 0;
    uint32_t taken = 0;
    while (i < units) {
      const uint8_t* unit = bytes + kSize * i++;
      const uint8_t qualifies = grouper_.qualifies(unit);
      bits = bits << qualifies | (unit[Grouper::kBitByte] & qualifies);
      if ((taken += qualifies) == limit) break;
    }
    word = bits;
    count = taken;
    return i;
  }

  uint32_t leadIn_;
  uint32_t dataLeft_;
  uint32_t trailerLeft_ = kTrailerBits;
  const Grouper grouper_;
  const ByteBitTables& tables_ = byteBitTables();
  bool beyond_ = false;
};

}  // namespace murl
