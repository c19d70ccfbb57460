#pragma once
// One file written on one thread and read on another while it grows: the reader trails the
// writer and never sees a byte before it has been written. Both work through the one open file,
// which must read at an offset beside its writes (File::readsAtWhileWritten).
//
// The reader is told the file's size before it is known: the size the writer is expected to
// leave. Its reading holds only if the writer never went back over bytes it wrote before and
// ended at that size (holds()); otherwise whoever needs the final bytes reads them again once
// the writer has ended.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/file.h"

namespace murl::platform {

class TrailedFile {
 public:
  // `file` stays open, and at the same place, for as long as this object lives; the reader is
  // told it is `expectedSize` bytes long.
  TrailedFile(File& file, uint64_t expectedSize) : file_(file), expectedSize_(expectedSize) {}
  TrailedFile(const TrailedFile&) = delete;
  TrailedFile& operator=(const TrailedFile&) = delete;

  // What the writer writes through: `file` itself, with each write shown to the reader.
  File writer();
  // What the reader reads through: from the start of `file`, each read waiting until the writer
  // has written its bytes or ended.
  File reader();

  // The writer is done, finished or not: waiting reads go on with what there is.
  void end();
  // After end(): whether every byte the reader read is final and the file is as long as the
  // reader was told. False when a write went to a place before the furthest byte written.
  bool holds() const;

 private:
  class Writing;
  class Reading;
  // Waits until the bytes before `upTo` are written or the writer has ended.
  void awaitWritten(uint64_t upTo);
  void wrote(uint64_t from, size_t count);
  // Before a write at `from`: a write before the furthest byte is a rewrite.
  void writing(uint64_t from);

  File& file_;
  const uint64_t expectedSize_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t written_ = 0;  // the furthest byte written, plus one
  bool ended_ = false;
  bool rewritten_ = false;
};

}  // namespace murl::platform
