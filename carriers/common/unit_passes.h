#pragma once
// What each operation does with the units of a carrier, whatever the format. A format walks its
// units in processing order and hands them to a pass, one at a time through visit() or, where
// units are fixed-size runs of bytes, eight at a time through block() with a grouper (see
// unit_groups.h). The pass keeps the per-carrier layout: S lead-in units left alone, then the
// used units (every one, or with a spacing of L + 1 every (L + 1)-th, counted on across blocks),
// of which N carry data and 544 the trailer; a used unit past those is "beyond" and means the
// carrier no longer holds the units it was counted with.
//
// Formats that test unit values call the pass only for qualifying units; spaced formats call it
// for every unit and let the pass choose. Only spacing 1 may use block(). A format that visits
// long runs of units may first offer the run to passOver(n): the pass takes, unseen, the units
// it would leave alone (the lead-in and those the spacing skips; a counter takes all), and the
// format visits the unit after them.
#include <algorithm>
#include <cstdint>

#include "bits/bit_spreader.h"
#include "carriers/common/unit_groups.h"

namespace murl {

// Lead-in and spacing: which units after the lead-in are used.
class UnitSelection {
 public:
  UnitSelection(uint32_t leadIn, uint32_t spacing) : leadIn_(leadIn), spacing_(spacing) {}

  // True when this unit is used; lead-in units do not advance the spacing cycle.
  bool take() {
    if (leadIn_ != 0) return --leadIn_, false;
    if (spacing_ == 1) return true;
    const bool used = cycle_ == 0;
    if (++cycle_ == spacing_) cycle_ = 0;
    return used;
  }
  // Takes up to `units` units that are not used, stopping before the next used one; returns how
  // many it took.
  uint64_t passOver(uint64_t units) {
    const uint64_t leadIn = std::min<uint64_t>(units, leadIn_);
    leadIn_ -= static_cast<uint32_t>(leadIn);
    if (leadIn_ != 0 || spacing_ == 1 || cycle_ == 0) return leadIn;
    const uint32_t skipped =
        static_cast<uint32_t>(std::min<uint64_t>(units - leadIn, spacing_ - cycle_));
    cycle_ = (cycle_ + skipped) % spacing_;
    return leadIn + skipped;
  }
  bool leadInDone() const { return leadIn_ == 0; }
  bool spaced() const { return spacing_ != 1; }
  // Grouped blocks skip the lead-in themselves.
  uint32_t& leadIn() { return leadIn_; }

 private:
  uint32_t leadIn_;
  uint32_t spacing_;
  uint32_t cycle_ = 0;
};

// Counts the used units: a format that tests values hands only qualifying ones, so the count is
// simply how many arrive.
class UnitCounter {
 public:
  bool visit(uint8_t&) { return ++units_, true; }
  uint64_t passOver(uint64_t units) { return units_ += units, units; }
  template <class Grouper>
  bool block(const Grouper& grouper, const uint8_t* bytes, uint64_t units) {
    units_ += countQualifying(grouper, bytes, 0, units);
    return true;
  }
  uint64_t units() const { return units_; }

 private:
  uint64_t units_ = 0;
};

// The carrier bits N of `units` candidate units (all qualifying ones, or every unit of a spaced
// format): the used units after the lead-in, less the trailer. 0 when it is no carrier; more
// than 32 bits is no carrier either.
inline uint32_t carrierBitsOf(uint64_t units, uint32_t leadIn, uint32_t spacing) {
  const uint64_t afterLeadIn = units > leadIn ? units - leadIn : 0;
  const uint64_t used = (afterLeadIn + spacing - 1) / spacing;
  if (used <= kTrailerBits || used - kTrailerBits > 0xFFFFFFFFu) return 0;
  return static_cast<uint32_t>(used - kTrailerBits);
}

// Writes unit bits from `Bits` (ChunkSource for hide: N data and 544 trailer bits; MarkBitSource
// for mark: bits without end) into the used units, counting the units whose bit changed and the
// used units left over once the source ran out.
template <class Bits>
class UnitWriter {
 public:
  UnitWriter(Bits& bits, uint32_t leadIn, uint32_t spacing = 1)
      : bits_(bits), selection_(leadIn, spacing) {}

  uint64_t passOver(uint64_t units) { return selection_.passOver(units); }

  // One unit; its unit bit may be rewritten. False when the source fails (message shown).
  bool visit(uint8_t& unitBit) {
    if (!selection_.take()) return true;
    if (left_ == 0) {
      if (bits_.remaining() == 0) return ++beyond_, true;
      if (!bits_.nextWord(word_, left_)) return false;
    }
    const uint8_t wanted = static_cast<uint8_t>(word_ >> 63);
    changed_ += wanted != unitBit;
    unitBit = wanted;
    word_ <<= 1;
    --left_;
    return true;
  }

  // `units` fixed-size units from `bytes`, those the grouper qualifies, a word of unit bits at a
  // time. False when the source fails.
  template <class Grouper>
  bool block(const Grouper& grouper, uint8_t* bytes, uint64_t units) {
    uint64_t i = skipQualifying(grouper, bytes, 0, units, selection_.leadIn());
    if (!spendGroups(grouper, bytes, i, units)) return false;
    // The block's last units, and those after the source ran short, one at a time.
    while (i < units) {
      if (left_ == 0) {
        if (bits_.remaining() == 0) {
          beyond_ += countQualifying(grouper, bytes, i, units);
          break;
        }
        if (!bits_.nextWord(word_, left_)) return false;
      }
      i = spendWord(grouper, bytes, i, units);
    }
    return true;
  }

  uint64_t changed() const { return changed_; }
  // Every bit of the source written into exactly the used units there were for them (hide).
  bool complete() const { return left_ == 0 && bits_.remaining() == 0 && beyond_ == 0; }

 private:
  static constexpr uint32_t kMost = 64;

  // Tops the held bits up to at least 8 while the source has more.
  bool topUp() {
    while (left_ < 8 && bits_.remaining() != 0) {
      uint64_t more = 0;
      uint32_t count = 0;
      if (!bits_.nextWord(more, count, kMost - left_)) return false;
      word_ |= more >> left_;
      left_ += count;
    }
    return true;
  }

  // Eight units at a time while the held bits cover each group's qualifying ones; `i` ends at
  // the first group left alone. Locals keep the loop's state out of memory.
  template <class Grouper>
  bool spendGroups(const Grouper& grouper, uint8_t* bytes, uint64_t& i, uint64_t units) {
    constexpr uint32_t kSize = Grouper::kUnitBytes;
    const ByteBitTables& tables = byteBitTables();
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
      const UnitGroup group = grouper.group(at);
      const uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > left) break;
      const uint8_t wanted = tables.deposit[group.qualifying][word >> 56];
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
  template <class Grouper>
  uint64_t spendWord(const Grouper& grouper, uint8_t* bytes, uint64_t i, uint64_t units) {
    uint64_t word = word_;
    uint32_t left = left_;
    uint64_t changed = changed_;
    while (i < units) {
      uint8_t* unit = bytes + Grouper::kUnitBytes * i++;
      const uint8_t qualifies = grouper.qualifies(unit);
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

  Bits& bits_;
  UnitSelection selection_;
  uint64_t word_ = 0;  // unit bits taken from the source and not yet written, from bit 63
  uint32_t left_ = 0;
  uint64_t changed_ = 0;
  uint64_t beyond_ = 0;
};

// Reads the unit bits of the N data units into a sink, a word at a time, skipping the lead-in,
// and notes a used unit past the 544 trailer units. The trailer units are skipped too, unless
// the sink wants the trailer: then they are read one at a time and handed over at the end.
class UnitReader {
 public:
  UnitReader(UnitBitSink& sink, uint32_t leadIn, uint32_t carrierBits, uint32_t spacing = 1)
      : sink_(sink),
        selection_(leadIn, spacing),
        dataLeft_(carrierBits),
        keepsTrailer_(sink.wantsTrailer()) {}

  uint64_t passOver(uint64_t units) { return selection_.passOver(units); }

  bool visit(uint8_t& unitBit) {
    if (!selection_.take()) return true;
    if (dataLeft_ != 0) {
      --dataLeft_;
      word_ = word_ << 1 | (unitBit & 1);
      return ++count_ < 64 || flush();
    }
    if (trailerLeft_ != 0) return keepTrailerBit(unitBit), true;
    beyond_ = true;
    return true;
  }

  template <class Grouper>
  bool block(const Grouper& grouper, const uint8_t* bytes, uint64_t units) {
    constexpr uint32_t kSize = Grouper::kUnitBytes;
    const ByteBitTables& tables = byteBitTables();
    uint64_t i = skipQualifying(grouper, bytes, 0, units, selection_.leadIn());
    // Locals keep the loop's state out of memory: the bytes could alias the members.
    uint64_t word = word_;
    uint32_t count = count_;
    uint32_t dataLeft = dataLeft_;
    const auto handOver = [&] {
      const bool ok = sink_.putUnitBits(word, count);
      word = 0;
      count = 0;
      return ok;
    };
    // A failed hand-over ends the walk: what the reader holds is no longer read.
    for (; i + 8 <= units; i += 8) {
      const UnitGroup group = grouper.group(bytes + kSize * i);
      const uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > dataLeft) break;  // the data ends inside: one at a time below
      if (count + qualifying > 64 && !handOver()) return false;
      word = word << qualifying | tables.extract[group.qualifying][group.lowBits];
      count += qualifying;
      dataLeft -= qualifying;
      if (count == 64 && !handOver()) return false;
    }
    word_ = word;
    count_ = count;
    dataLeft_ = dataLeft;
    for (; i < units && (dataLeft_ != 0 || (keepsTrailer_ && trailerLeft_ != 0)); ++i) {
      const uint8_t* unit = bytes + kSize * i;
      if (!grouper.qualifies(unit)) continue;
      uint8_t bit = unit[Grouper::kBitByte] & 1;
      if (!visit(bit)) return false;
    }
    i = skipQualifying(grouper, bytes, i, units, trailerLeft_);
    if (countQualifying(grouper, bytes, i, units) != 0) beyond_ = true;
    return true;
  }

  // Hands over the bits still held, then the trailer when it is wanted and the layout was
  // whole; call once the walk has ended.
  bool finish() {
    if (count_ != 0 && !flush()) return false;
    if (keepsTrailer_ && complete()) sink_.putTrailer(trailer_);
    return true;
  }
  // Exactly the lead-in, N data and 544 trailer units were met.
  bool complete() const {
    return selection_.leadInDone() && dataLeft_ == 0 && trailerLeft_ == 0 && !beyond_;
  }

 private:
  void keepTrailerBit(uint8_t unitBit) {
    --trailerLeft_;
    if (!keepsTrailer_) return;
    const uint32_t k = kTrailerBits - 1 - trailerLeft_;
    trailer_[k >> 3] |= static_cast<uint8_t>((~unitBit & 1) << (7 - (k & 7)));
  }

  bool flush() {
    const bool ok = sink_.putUnitBits(word_, count_);
    word_ = 0;
    count_ = 0;
    return ok;
  }

  UnitBitSink& sink_;
  UnitSelection selection_;
  uint32_t dataLeft_;
  uint32_t trailerLeft_ = kTrailerBits;
  uint64_t word_ = 0;  // data bits not yet handed over, in the low `count_` (< 64) bits
  uint32_t count_ = 0;
  bool beyond_ = false;
  const bool keepsTrailer_;
  TrailerBytes trailer_{};  // hidden bits, most significant first
};

}  // namespace murl
