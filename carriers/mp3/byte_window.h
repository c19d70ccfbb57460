#pragma once
// A stretch of a file held in a buffer, for a parse that reads forward and looks back a bounded
// way: each refill keeps the bytes from the point the parse still needs and reads on from the end
// of what it holds. Bytes changed in the window are written to the same place of a target (which
// already holds a copy of the file) before they leave it. Silent: the caller reports failures.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/file.h"

namespace murl::mp3 {

class ByteWindow {
 public:
  ByteWindow(platform::File& src, uint64_t size, std::span<uint8_t> buffer,
             platform::File* dst = nullptr)
      : src_(src), dst_(dst), size_(size), buffer_(buffer) {}

  // Makes bytes [at, at + count) available. False when they lie past the end of the file or
  // before what was kept, or a read or the write of changed bytes comes up short.
  bool fetch(uint64_t at, uint64_t count);
  // A fetched byte; it may be changed, and then must be marked with changed().
  uint8_t* data(uint64_t at) { return buffer_.data() + (at - start_); }
  void changed(uint64_t from, uint64_t to);
  // Bytes before `at` will not be fetched again.
  void keepFrom(uint64_t at) { keep_ = at; }
  // Writes the changed bytes to the target.
  bool flush();

  // The first position from `from` on holding 0xFF and then a byte with its top three bits set,
  // with room for a 4-byte header; none when there is no such position. False when a read fails.
  bool findSync(uint64_t from, std::optional<uint64_t>& found);

  uint64_t size() const { return size_; }
  uint64_t end() const { return start_ + filled_; }
  bool writeFailed() const { return writeFailed_; }

 private:
  bool refill(uint64_t at, uint64_t count);

  platform::File& src_;
  platform::File* dst_;
  uint64_t size_;
  std::span<uint8_t> buffer_;
  uint64_t start_ = 0;  // file position of buffer_[0]
  uint64_t filled_ = 0;
  uint64_t keep_ = 0;
  uint64_t changedFrom_ = 0;
  uint64_t changedTo_ = 0;  // empty when equal to changedFrom_
  bool writeFailed_ = false;
};

}  // namespace murl::mp3
