#pragma once
// What each operation does with the used units of a carrier, in the format's processing order,
// whatever the format: a format's walker calls visit(unitBit) for each used unit, with the unit's
// current unit bit, and stores the value it leaves there. A false result stops the walk (the
// visit has shown its message, if any).
#include <cstdint>

#include "bits/bit_spreader.h"

namespace murl {

// Count: tallies the used units.
struct CountVisit {
  uint64_t units = 0;
  bool operator()(uint8_t&) {
    ++units;
    return true;
  }
};

// Hide: the lead-in untouched, then the data bits and the trailer from the chunk source. Units
// past the trailer, or too few units, mean the level changed since the carrier was counted.
class HideVisit {
 public:
  HideVisit(uint32_t leadIn, ChunkSource& source) : leadIn_(leadIn), source_(source) {}
  bool operator()(uint8_t& unitBit) {
    if (leadIn_ != 0) return --leadIn_, true;
    if (source_.remaining() == 0) return beyond_ = true, true;
    return source_.next(unitBit);
  }
  bool complete() const { return leadIn_ == 0 && source_.remaining() == 0 && !beyond_; }

 private:
  uint32_t leadIn_;
  ChunkSource& source_;
  bool beyond_ = false;
};

// Mark: the lead-in untouched, then the mark's bits in every later used unit.
class MarkVisit {
 public:
  MarkVisit(uint32_t leadIn, MarkBitSource& source) : leadIn_(leadIn), source_(source) {}
  bool operator()(uint8_t& unitBit) {
    if (leadIn_ != 0) return --leadIn_, true;
    unitBit = source_.next();
    return true;
  }

 private:
  uint32_t leadIn_;
  MarkBitSource& source_;
};

// Extract and check: the data units' bits go to `take` (a sink or collector call taking a unit
// bit); lead-in and trailer units are skipped, not read.
template <class Take>
class ReadVisit {
 public:
  ReadVisit(uint32_t leadIn, uint32_t carrierBits, Take take)
      : layout_(leadIn, carrierBits), take_(take) {}
  bool operator()(uint8_t& unitBit) {
    switch (layout_.next()) {
      case ReadLayout::Role::kSkip:
        return true;
      case ReadLayout::Role::kData:
        return take_(unitBit);
      case ReadLayout::Role::kBeyond:
        beyond_ = true;
        return true;
    }
    return true;
  }
  // Exactly S + N + 544 used units were met.
  bool complete() const { return layout_.complete() && !beyond_; }

 private:
  ReadLayout layout_;
  Take take_;
  bool beyond_ = false;
};

}  // namespace murl
