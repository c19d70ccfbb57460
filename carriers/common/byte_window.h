#pragma once
// Buffered reading and writing for formats whose rows are coded: a decoder may look further
// ahead than it consumes, and what it does not consume is where the next row starts; coded rows
// of varying length are gathered and written in large pieces.
#include <cstddef>
#include <cstdint>

#include "platform/file.h"

namespace murl {

// A window over a file from a given offset. Bytes are made ready in large reads and consumed
// from the front; offset() is the file position of the first byte not consumed.
class ReadWindow {
 public:
  ReadWindow(platform::File& file, uint8_t* buffer, size_t capacity, uint64_t start)
      : file_(file), buffer_(buffer), capacity_(capacity), start_(start) {}

  // Makes at least `want` (at most the capacity) bytes ready when the file still holds them;
  // fewer are ready at the end of the file or after a failed read.
  void fill(size_t want);
  uint8_t* data() const { return buffer_ + at_; }
  size_t ready() const { return end_ - at_; }
  void consume(size_t count) { at_ += count; }
  uint64_t offset() const { return start_ + at_; }

 private:
  platform::File& file_;
  uint8_t* buffer_;
  size_t capacity_;
  uint64_t start_;  // file offset of buffer_[0]
  size_t at_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

// Bytes gathered in a buffer and written at the file's position when it fills up.
class WriteQueue {
 public:
  // `file` may be null for an operation that writes nothing; the queue is then never used.
  WriteQueue(platform::File* file, uint8_t* buffer, size_t capacity)
      : file_(file), buffer_(buffer), capacity_(capacity) {}

  // Room for `count` bytes (at most the capacity), written out first when the queue lacks it;
  // null when that write fails. commit() then says how many were used.
  uint8_t* reserve(size_t count);
  void commit(size_t count) { used_ += count; }
  bool put(const uint8_t* bytes, size_t count);
  // Writes what is queued; false when the write comes up short.
  bool flush();

 private:
  platform::File* file_;
  uint8_t* buffer_;
  size_t capacity_;
  size_t used_ = 0;
};

}  // namespace murl
