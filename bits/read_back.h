#pragma once
// Reading back what a hide wrote after each carrier's data bits. The trailer is enciphered by
// the header form keyed by the data check of the carrier's own data bits, so a carrier tells its
// hiding job, its place in the carrier list and the list's length to anyone who reads it whole,
// without the password.
#include <cstdint>
#include <vector>

#include "bits/bit_spreader.h"

namespace murl {

// The trailer's fields when `trailer` deciphers under `dataCheck` to a header that begins with
// the tag; false for anything else (a wrong data check deciphers to noise).
bool readTrailer(const TrailerBytes& trailer, uint32_t dataCheck, TrailerFields& fields);
// The fields of one carrier's trailers (a module's resources have one each): true when there is
// at least one, each reads under its own data check and all agree.
bool readTrailers(const std::vector<TrailerRecord>& records, TrailerFields& fields);

// Takes the data bits and the trailer of each carrier read (of each resource, for a module):
// keeps the data check of the bits and the trailer that follows them, and passes the bits on to
// `next` when there is one, so one walk both gathers and reads back.
class ReadBackSink final : public UnitBitSink {
 public:
  explicit ReadBackSink(UnitBitSink* next = nullptr) : next_(next) {}

  bool putUnitBits(uint64_t unitBits, uint32_t count) override;
  bool wantsTrailer() const override { return true; }
  // Ends the current carrier's data bits: their check and this trailer make one record.
  void putTrailer(const TrailerBytes& trailer) override;

  // The records made since the last take, in the order read; the sink starts afresh.
  std::vector<TrailerRecord> take();

 private:
  // The `count` (at most 32) low unit bits, as hidden bits, onto the bytes to check.
  void pack(uint64_t unitBits, uint32_t count);
  void checkPending();

  UnitBitSink* next_;
  uint64_t held_ = 0;  // hidden bits not yet in a whole byte, in the low heldCount_ bits
  uint32_t heldCount_ = 0;
  uint8_t pending_[4096];  // whole bytes not yet in the check
  size_t pendingCount_ = 0;
  uint32_t check_ = 1;
  std::vector<TrailerRecord> records_;
};

}  // namespace murl
