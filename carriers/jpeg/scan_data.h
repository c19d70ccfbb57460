#pragma once
// The entropy-coded data of a scan, streamed through the sample buffer: read from the source in
// pieces, its stuffed zero bytes taken out, walked as plain bits (unit bits are rewritten there)
// and, for hide and mark, stuffed again into the target as the walk leaves each byte behind. A
// byte that becomes 0xFF so gains a stuffed zero and one that stops being 0xFF loses its own;
// every other byte of the scan, padding and restart markers included, reaches the target as read.
//
// A segment is the data from the scan header or a restart marker up to the next marker (0xFF
// followed by a non-zero byte). The walk may look past a segment's end (it reads zeros there),
// but a block that uses those bits is invalid data.
#include <cstdint>

#include "carriers/common/operation.h"
#include "carriers/jpeg/jpeg_markers.h"
#include "platform/file.h"

namespace murl::jpeg {

// The most bits one MCU can take: 16 blocks of 64 codes of at most 16 bits, each followed by at
// most 15 additional bits.
constexpr uint32_t kMaxMcuBytes = 16 * 64 * 31 / 8;

class ScanData {
 public:
  enum class Status : uint8_t { kOk, kInvalid, kReadFailed, kWriteFailed };

  // `buffer` is the sample buffer; `dst` is null for count, extract and check.
  ScanData(const OperationContext& context, platform::File& src, platform::File* dst,
           uint8_t* buffer);

  // Starts the walk of a scan whose data begins at file offset `at`.
  void begin(uint64_t at);
  // Makes an MCU's worth of bits readable from position(), or all that is left of the segment.
  Status ensure();
  // After an interval's last MCU: the rest of the segment, then restart marker `k` (0 to 7), which
  // must come next; the walk goes on at the byte after it.
  Status restart(uint8_t k);
  // After the scan's last MCU: the rest of the segment up to the marker after it, at whose file
  // offset (`markerAt`) the source is left; the marker itself is not copied.
  Status finish(uint64_t& markerAt);

  // Bits from the cursor on: position() counts them from data(), most significant bit first; at
  // least 8 bytes past the segment's end are readable.
  uint8_t* data() { return data_; }
  uint64_t position() const { return position_; }
  void setPosition(uint64_t position) { position_ = position; }
  // True once the walk used bits past the end of the segment.
  bool overran() const { return position_ > 8 * length_; }

 private:
  static constexpr uint64_t kNoMarker = ~uint64_t{0};

  bool refill();
  // Appends up to `room` data bytes from the source; stops at the segment's end.
  void destuff(size_t room);
  // The segment's data ends here; `markerAt` is the marker after it (kNoMarker at end of file).
  void endSegment(uint64_t markerAt);
  // Writes the data bytes before `upTo`, stuffed, to the target.
  bool flush(size_t upTo);
  // Drops the bytes the cursor has passed, after flushing them.
  Status compact();
  Status toSegmentEnd();

  const OperationContext& context_;
  platform::File& src_;
  platform::File* dst_;
  uint8_t* raw_;   // source bytes as read
  uint8_t* data_;  // the segment's data bytes, stuffing removed, then padding zeros
  uint8_t* out_;   // target bytes, stuffed
  uint64_t fileSize_;
  uint64_t rawOffset_ = 0;  // file offset of raw_[0]
  size_t rawPos_ = 0;
  size_t rawLength_ = 0;
  size_t length_ = 0;   // data bytes held
  size_t flushed_ = 0;  // data bytes already written to the target
  uint64_t position_ = 0;
  bool ended_ = false;  // the segment's last data byte is held
  uint64_t markerAt_ = kNoMarker;
};

}  // namespace murl::jpeg
