#include "carriers/jpeg/scan_data.h"

#include <algorithm>
#include <cstring>

namespace murl::jpeg {
namespace {

constexpr size_t kRawBytes = 0x80000;
constexpr size_t kDataBytes = 0x100000;
// What the walk may read past the data held: one MCU, and the 8 bytes of a whole-word load.
constexpr size_t kLookahead = kMaxMcuBytes + 8;
constexpr size_t kPadBytes = kLookahead + 8;
// Stuffing at most doubles the data.
static_assert(kRawBytes + kDataBytes + kPadBytes + 2 * kDataBytes <= kBufferSize);

// Copies `n` data bytes to `out` with a zero after every 0xFF; returns the bytes written.
size_t stuff(const uint8_t* from, size_t n, uint8_t* out) {
  uint8_t* const start = out;
  while (n != 0) {
    const void* ff = std::memchr(from, 0xFF, n);
    const size_t run = ff ? static_cast<size_t>(static_cast<const uint8_t*>(ff) - from) + 1 : n;
    std::memcpy(out, from, run);
    out += run;
    from += run;
    n -= run;
    if (ff) *out++ = 0x00;
  }
  return static_cast<size_t>(out - start);
}

}  // namespace

ScanData::ScanData(const OperationContext& context, platform::File& src, platform::File* dst,
                   uint8_t* buffer)
    : context_(context),
      src_(src),
      dst_(dst),
      raw_(buffer),
      data_(buffer + kRawBytes),
      out_(buffer + kRawBytes + kDataBytes + kPadBytes),
      fileSize_(src.size()) {}

void ScanData::begin(uint64_t at) {
  rawOffset_ = at;
  rawPos_ = rawLength_ = 0;
  length_ = flushed_ = 0;
  position_ = 0;
  ended_ = false;
  markerAt_ = kNoMarker;
  if (!src_.seek(at)) endSegment(kNoMarker);  // no data and no marker: the walk fails
}

bool ScanData::refill() {
  // A 0xFF whose next byte is not read yet stays in front of the new piece.
  const size_t keep = rawLength_ - rawPos_;
  std::memmove(raw_, raw_ + rawPos_, keep);
  rawOffset_ += rawPos_;
  const size_t got = src_.read(raw_ + keep, kRawBytes - keep);
  rawPos_ = 0;
  rawLength_ = keep + got;
  context_.progress(rawOffset_ + rawLength_, fileSize_);
  return got != 0;
}

void ScanData::endSegment(uint64_t markerAt) {
  ended_ = true;
  markerAt_ = markerAt;
  std::memset(data_ + length_, 0, kPadBytes);
}

void ScanData::destuff(size_t room) {
  while (room != 0 && !ended_) {
    if (rawPos_ == rawLength_ && !refill()) return endSegment(kNoMarker);
    const uint8_t* at = raw_ + rawPos_;
    const size_t span = std::min(rawLength_ - rawPos_, room);
    const void* ff = std::memchr(at, 0xFF, span);
    const size_t run = ff ? static_cast<size_t>(static_cast<const uint8_t*>(ff) - at) : span;
    std::memcpy(data_ + length_, at, run);
    length_ += run;
    room -= run;
    rawPos_ += run;
    if (!ff) continue;
    if (rawPos_ + 1 == rawLength_) {
      if (!refill()) return endSegment(kNoMarker);
      continue;
    }
    if (raw_[rawPos_ + 1] != 0) return endSegment(rawOffset_ + rawPos_);
    data_[length_++] = 0xFF;
    --room;
    rawPos_ += 2;
  }
}

bool ScanData::flush(size_t upTo) {
  if (dst_ && upTo > flushed_) {
    const size_t n = stuff(data_ + flushed_, upTo - flushed_, out_);
    if (!dst_->writeExact(out_, n)) return false;
  }
  flushed_ = std::max(flushed_, upTo);
  return true;
}

ScanData::Status ScanData::compact() {
  const size_t cut = static_cast<size_t>(position_ >> 3);
  if (!flush(cut)) return Status::kWriteFailed;
  std::memmove(data_, data_ + cut, length_ - cut);
  length_ -= cut;
  flushed_ -= cut;
  position_ -= uint64_t{8} * cut;
  return Status::kOk;
}

ScanData::Status ScanData::ensure() {
  if (ended_ || length_ - (position_ >> 3) >= kLookahead) return Status::kOk;
  const Status compacted = compact();
  if (compacted == Status::kOk) destuff(kDataBytes - length_);
  return compacted;
}

ScanData::Status ScanData::toSegmentEnd() {
  for (;;) {
    if (!flush(length_)) return Status::kWriteFailed;
    if (ended_) break;
    length_ = flushed_ = 0;
    position_ = 0;
    destuff(kDataBytes);
  }
  return markerAt_ == kNoMarker ? Status::kReadFailed : Status::kOk;
}

ScanData::Status ScanData::restart(uint8_t k) {
  const Status reached = toSegmentEnd();
  if (reached != Status::kOk) return reached;
  const uint8_t marker[2] = {0xFF, static_cast<uint8_t>(kFirstRestart + k)};
  if (raw_[rawPos_ + 1] != marker[1]) return Status::kInvalid;
  if (dst_ && !dst_->writeExact(marker, sizeof marker)) return Status::kWriteFailed;
  rawPos_ += 2;
  length_ = flushed_ = 0;
  position_ = 0;
  ended_ = false;
  markerAt_ = kNoMarker;
  return Status::kOk;
}

ScanData::Status ScanData::finish(uint64_t& markerAt) {
  const Status reached = toSegmentEnd();
  if (reached != Status::kOk) return reached;
  markerAt = markerAt_;
  return src_.seek(markerAt) ? Status::kOk : Status::kReadFailed;
}

}  // namespace murl::jpeg
