#pragma once
// Moving bits between the enciphered hidden stream and the units of the carriers, identically for
// every format: a handler only decides which of its units carry bits and in what order.
//
// A hidden bit d is stored as the unit bit NOT d. Every piece below gives or takes *unit bits*
// (ChunkSource::next, MarkBitSource::next, ExtractionSink::putUnitBit,
// CheckCollector::addUnitBit), so no handler inverts a bit itself.
//
// Bit k of a byte stream is bit 7 - (k mod 8) of byte k div 8: most significant bit first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/workspace.h"
#include "platform/file.h"

namespace murl {

constexpr uint32_t kChunkBits = 0x400000;  // data bits held at a time in the work buffer
constexpr uint32_t kTrailerBits = 544;     // units after the data bits of every carrier
constexpr size_t kTrailerHeaderSize = 52;
constexpr size_t kTrailerSize = 68;  // the header after header-form encipherment
constexpr char kTrailerTag[8] = {'M', 'u', 'r', 'l', '1', '.', '0', '1'};  // the header's start
constexpr size_t kMarkSize = 100;
constexpr uint32_t kMarkWindowBits = 0x400000;  // the mark pattern restarts every this many bits

using MarkField = std::array<uint8_t, kMarkSize>;
using TrailerBytes = std::array<uint8_t, kTrailerSize>;

// What a hide leaves after one carrier's data bits (each resource of a module has its own): the
// data check of those bits and the trailer enciphered under it. A read-back that finds the same
// pair has read the data bits and the trailer as they were written.
struct TrailerRecord {
  uint32_t dataCheck = 0;
  TrailerBytes trailer{};
  bool operator==(const TrailerRecord&) const = default;
};

inline uint8_t bitAt(const uint8_t* bytes, uint64_t k) {
  return (bytes[k >> 3] >> (7 - (k & 7))) & 1;
}

// One carrier's share of the stream, from the hiding plan.
struct StreamShare {
  uint32_t startBit = 0;     // the carrier's first bit in the stream
  uint32_t carrierBits = 0;  // N: data bits the carrier holds
  uint32_t streamBits = 0;   // how many of them are stream bits; the rest are random
};

// The assignment rule over a list in order: start_0 = 0, start_(i+1) = start_i + N_i,
// s_i = min(N_i, B - start_i) (0 once the stream is placed). Sums are taken in 64 bits.
std::vector<StreamShare> assignStreamBits(std::span<const uint32_t> carrierBits,
                                          uint32_t streamBits);

// The fields of the trailer header that come from the hiding job.
struct TrailerFields {
  uint32_t sessionNumber = 0;
  uint32_t jobNumber = 0;
  uint16_t carrierIndex = 0;  // position in the carrier list, not in writing order
  uint16_t carrierCount = 0;
  bool operator==(const TrailerFields&) const = default;
};

// What a hide operation needs from its job besides its source and target.
struct HideJob {
  platform::File* stream = nullptr;  // the enciphered hidden stream, open for reading
  TrailerFields trailer;
  // When set, each hide appends what it wrote after its data bits, for a read-back to compare.
  std::vector<TrailerRecord>* written = nullptr;
};

// The 52-byte trailer header: "Murl1.01", session, job, index, count (little-endian), then the
// 32-byte password field, written as zeros: the trailer is keyed only by the carrier's own data
// check, so anyone holding the carrier could read a password stored there.
std::array<uint8_t, kTrailerHeaderSize> trailerHeader(const TrailerFields& fields);

// Builds the 68-byte CarrierTrailer at `out`: the header enciphered by the header form of the
// cipher, keyed by the carrier's data check.
void makeTrailer(uint8_t* out, const TrailerFields& fields, uint32_t dataCheck,
                 RandomSource& random);

// The data check carried over the n bits that start at bit position o of `bytes`, regrouped
// eight at a time (Adler-32); a group of fewer than 8 bits at the end is not counted.
uint32_t dataCheckUpdate(uint32_t check, const uint8_t* bytes, uint32_t n, uint32_t o);

// The N data bits and then the 544 trailer bits of one carrier being hidden, as unit bits.
// Chunks of at most 0x400000 bits are prepared in the Workspace's work buffer: stream bits from
// the start bit, then random bits once the carrier's stream share is used up. The first chunk is
// prepared by the first next(), so a handler may use the work buffer (to copy headers) before
// that and again once remaining() is 0, but not in between.
class ChunkSource {
 public:
  ChunkSource(Workspace& workspace, platform::File& stream, const StreamShare& share,
              const TrailerFields& trailer);

  // Units still to be written: N + 544 at the start.
  uint64_t remaining() const { return remaining_; }

  // The value to give the next unit's unit bit. False, with "Couldn't read from temp file!"
  // shown, when the stream cannot be loaded. Only while remaining() > 0.
  bool next(uint8_t& unitBit) {
    if (position_ == end_ && !advance()) return false;
    unitBit = bitAt(buffer_, position_) ^ 1;
    ++position_;
    --remaining_;
    return true;
  }

  // Up to `most` (1 to 64) next unit bits at once, never across a chunk or into the trailer: the
  // first in bit 63 of `unitBits`, `count` of them, the bits below zero. Same failure as next().
  bool nextWord(uint64_t& unitBits, uint32_t& count, uint32_t most = 64);

  // The data check of the data bits prepared so far (final once the trailer has begun).
  uint32_t dataCheck() const { return check_; }
  // The trailer and its key, once the trailer has begun.
  TrailerRecord record() const;

 private:
  bool advance();
  bool prepareChunk();

  Workspace& workspace_;
  platform::File& stream_;
  TrailerFields trailer_;
  uint8_t* buffer_;
  uint64_t position_ = 0;  // bit position in the buffer
  uint64_t end_ = 0;
  uint64_t remaining_;
  uint32_t dataLeft_;    // r: data bits not yet prepared
  uint32_t streamLeft_;  // s
  uint32_t streamBit_;   // p
  uint32_t check_ = 1;
  bool trailerStarted_ = false;
  TrailerBytes trailerBytes_{};
};

// Where read-back unit bits go: the extraction sink (extract), the check collector (check) or
// the read-back sink (bits/read_back.h), which also takes each carrier's trailer.
class UnitBitSink {
 public:
  virtual ~UnitBitSink() = default;
  // The `count` (1 to 64) low bits of `unitBits`, the most significant first, each a unit bit.
  // False when the bits cannot be kept (the sink has shown its message).
  virtual bool putUnitBits(uint64_t unitBits, uint32_t count) = 0;
  // Whether the 544 trailer units are read too; readers skip them otherwise.
  virtual bool wantsTrailer() const { return false; }
  // The trailer after the data bits just put (hidden bits, most significant first), once all
  // 544 of its units have been read.
  virtual void putTrailer(const TrailerBytes& /*trailer*/) {}
};

// Gathers the bits read back by extract operations, over all carriers of one unhiding job, into
// the stream temporary file; buffered in the Workspace's sink buffer (0x15FFEA bytes). The
// partial byte carries over from one carrier to the next.
class ExtractionSink final : public UnitBitSink {
 public:
  ExtractionSink(Workspace& workspace, platform::File& temp);

  void reset();
  // Stores the hidden bit (NOT unitBit); bits are 0 or 1. False, with "Couldn't write to temp
  // file!" shown, when a full buffer cannot be written.
  bool putUnitBit(uint8_t unitBit) { return put(unitBit ^ 1); }
  // The `count` (up to 64) low bits of `unitBits` as putUnitBit would take them, the most
  // significant first; the same failure.
  bool putUnitBits(uint64_t unitBits, uint32_t count) override;
  bool put(uint8_t hiddenBit) {
    buffer_[byte_] |= static_cast<uint8_t>(hiddenBit << (7 - bit_));  // no branch on the bit
    ++total_;
    if (++bit_ < 8) return true;
    bit_ = 0;
    return ++byte_ < kSinkBufferSize || writeFull();
  }
  // Writes the pending bytes, the partial one included. False, with "Couldn't write to temp
  // file!" shown, when the write comes up short. The file then holds (total + 7) div 8 bytes.
  bool flush();
  uint64_t bitsTaken() const { return total_; }

 private:
  bool writeFull();

  Workspace& workspace_;
  platform::File& temp_;
  uint8_t* buffer_;
  size_t byte_ = 0;
  uint32_t bit_ = 0;
  uint64_t total_ = 0;
};

// The bits of the copyright mark for one carrier: bit k of the mark stream is bit k mod 0x400000
// of a pattern repeating the 100-byte mark, so the pattern restarts at the mark's first byte every
// 0x400000 bits. Make one per carrier: k starts at 0 with its first marked unit.
class MarkBitSource {
 public:
  explicit MarkBitSource(const MarkField& mark) : mark_(mark) {}

  // A mark never runs out: every used unit after the lead-in takes its next bit.
  static constexpr uint64_t remaining() { return ~uint64_t{0}; }

  // The unit bit of the next marked unit.
  uint8_t next() {
    uint8_t bit = (mark_[byte_] >> (7 - bit_)) & 1;
    if (++bit_ == 8) {
      bit_ = 0;
      if (++byte_ == kMarkSize) byte_ = 0;
    }
    if (++inWindow_ == kMarkWindowBits) inWindow_ = 0, byte_ = 0;
    return bit ^ 1;
  }
  // The next `most` (1 to 64) unit bits as ChunkSource::nextWord gives them; never fails.
  bool nextWord(uint64_t& unitBits, uint32_t& count, uint32_t most = 64) {
    uint64_t word = 0;
    for (uint32_t i = 0; i < most; ++i) word = word << 1 | next();
    unitBits = word << (64 - most);
    count = most;
    return true;
  }
  // Bit k of the mark stream (not inverted).
  static uint8_t markBit(const MarkField& mark, uint64_t k);

 private:
  const MarkField& mark_;
  uint32_t byte_ = 0;
  uint32_t bit_ = 0;
  uint32_t inWindow_ = 0;
};

// Counts, per mark byte position, how often each byte value was read back by a check
// operation. Positions restart at 0 after 100 bytes and at every 0x400000 bits.
class CheckCollector final : public UnitBitSink {
 public:
  CheckCollector() : tables_(kMarkSize) {}

  void reset();
  void addUnitBit(uint8_t unitBit) { add(unitBit ^ 1); }
  // The low `count` bits of `unitBits`, most significant first, as the word readers hand them.
  void addUnitBits(uint64_t unitBits, uint32_t count) {
    while (count != 0) addUnitBit(static_cast<uint8_t>((unitBits >> --count) & 1));
  }
  bool putUnitBits(uint64_t unitBits, uint32_t count) override {
    addUnitBits(unitBits, count);
    return true;
  }
  void add(uint8_t hiddenBit);

  uint32_t counter(size_t position, uint8_t value) const { return tables_[position][value]; }
  uint64_t totalBits() const { return total_; }

 private:
  std::vector<std::array<uint32_t, 256>> tables_;
  uint64_t total_ = 0;
  uint32_t bitIndex_ = 0;
  uint8_t current_ = 0;
  uint32_t position_ = 0;
};

}  // namespace murl
