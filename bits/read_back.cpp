#include "bits/read_back.h"

#include <zlib.h>

#include <cstring>

#include "platform/byte_order.h"
#include "transforms/cipher.h"

namespace murl {

namespace {

// The header's last 32 bytes hold the password it was hidden with: deciphered, they are wiped
// at once and never leave this file.
void wipe(TrailerBytes& header) {
  volatile uint8_t* byte = header.data();
  for (size_t i = 0; i < header.size(); ++i) byte[i] = 0;
}

}  // namespace

bool readTrailer(const TrailerBytes& trailer, uint32_t dataCheck, TrailerFields& fields) {
  TrailerBytes header = trailer;
  decipherHeader(header.data(), dataCheck);
  const bool tagged = std::memcmp(header.data(), kTrailerTag, sizeof kTrailerTag) == 0;
  if (tagged) {
    fields.sessionNumber = loadLe32(&header[8]);
    fields.jobNumber = loadLe32(&header[12]);
    fields.carrierIndex = loadLe16(&header[16]);
    fields.carrierCount = loadLe16(&header[18]);
  }
  wipe(header);
  return tagged;
}

bool readTrailers(const std::vector<TrailerRecord>& records, TrailerFields& fields) {
  for (size_t i = 0; i < records.size(); ++i) {
    TrailerFields own;
    if (!readTrailer(records[i].trailer, records[i].dataCheck, own)) return false;
    if (i == 0) fields = own;
    if (own != fields) return false;
  }
  return !records.empty();
}

bool ReadBackSink::putUnitBits(uint64_t unitBits, uint32_t count) {
  if (next_ && !next_->putUnitBits(unitBits, count)) return false;
  // At most 7 bits are held, so 32 more always fit the 64-bit word.
  if (count > 32) {
    pack(unitBits >> 32, count - 32);
    count = 32;
  }
  pack(unitBits, count);
  return true;
}

void ReadBackSink::pack(uint64_t unitBits, uint32_t count) {
  const uint64_t hidden = ~unitBits & ((uint64_t{1} << count) - 1);
  held_ = held_ << count | hidden;
  heldCount_ += count;
  // At most four whole bytes (7 held bits and 32 more): written as one big-endian word, whose
  // bytes past the whole ones the next write overwrites.
  const uint32_t whole = heldCount_ / 8;
  heldCount_ %= 8;
  storeBe32(pending_ + pendingCount_,
            static_cast<uint32_t>((held_ >> heldCount_) << (32 - 8 * whole)));
  pendingCount_ += whole;
  held_ &= (uint64_t{1} << heldCount_) - 1;
  if (pendingCount_ + 4 > sizeof pending_) checkPending();
}

void ReadBackSink::checkPending() {
  check_ = static_cast<uint32_t>(::adler32(check_, pending_, static_cast<uInt>(pendingCount_)));
  pendingCount_ = 0;
}

void ReadBackSink::putTrailer(const TrailerBytes& trailer) {
  // A last group of fewer than eight data bits does not count, as when the check was made.
  checkPending();
  records_.push_back({check_, trailer});
  check_ = 1;
  held_ = 0;
  heldCount_ = 0;
}

std::vector<TrailerRecord> ReadBackSink::take() {
  std::vector<TrailerRecord> records = std::move(records_);
  records_.clear();
  return records;
}

}  // namespace murl
