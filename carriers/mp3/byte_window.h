#pragma once
// A stretch of a file held in a buffer, for a parse that reads forward and looks back a bounded
// way: each refill keeps the bytes from the point the parse still needs and reads on from the end
// of what it holds. With a target, the window is also the copy: every byte from a given position
// on is written to the same place of the target as it leaves the window, with whatever the parse
// changed in it, so the target is written once. Silent: the caller reports failures.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/file.h"

namespace murl::mp3 {

class ByteWindow {
 public:
  // `dst`, when given, receives the bytes from `copyFrom` on.
  ByteWindow(platform::File& src, uint64_t size, std::span<uint8_t> buffer,
             platform::File* dst = nullptr, uint64_t copyFrom = 0)
      : src_(src), dst_(dst), size_(size), buffer_(buffer), written_(copyFrom) {}

  // Makes bytes [at, at + count) available. False when they lie past the end of the file or
  // before what was kept, or a read or a write of the copy comes up short.
  bool fetch(uint64_t at, uint64_t count);
  // A fetched byte; a change made to it reaches the target.
  uint8_t* data(uint64_t at) { return buffer_.data() + (at - start_); }
  // Bytes before `at` will not be fetched again (nor changed).
  void keepFrom(uint64_t at) { keep_ = at; }
  // Writes every byte the window still holds to the target: it then holds all up to end().
  bool finish() { return !dst_ || emit(end()); }

  // The first position from `from` on holding 0xFF and then a byte with its top three bits set,
  // with room for a 4-byte header; none when there is no such position. False when a read fails.
  bool findSync(uint64_t from, std::optional<uint64_t>& found);

  uint64_t size() const { return size_; }
  uint64_t end() const { return start_ + filled_; }
  bool writeFailed() const { return writeFailed_; }

 private:
  bool refill(uint64_t at, uint64_t count);
  // Copies to the target what it lacks before `to`: from the buffer, then straight from the
  // source through the buffer for bytes the window never held.
  bool emit(uint64_t to);
  bool write(const uint8_t* bytes, uint64_t count);

  platform::File& src_;
  platform::File* dst_;
  uint64_t size_;
  std::span<uint8_t> buffer_;
  uint64_t start_ = 0;  // file position of buffer_[0]
  uint64_t filled_ = 0;
  uint64_t keep_ = 0;
  uint64_t written_;  // the target holds every byte before this
  bool writeFailed_ = false;
};

}  // namespace murl::mp3
