#pragma once
// An open binary file: a move-only value over an implementation object, which may be a file on
// disk, bytes in memory or a test's file that fails on purpose. Files are opened by a FileSystem
// (platform/file_system.h), never by path here.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace murl::platform {

// What an open file does. read and write return the number of bytes moved; fewer than asked
// means end of file or failure.
class FileImpl {
 public:
  virtual ~FileImpl() = default;
  virtual size_t read(void* buffer, size_t count) = 0;
  virtual size_t write(const void* buffer, size_t count) = 0;
  virtual bool seek(uint64_t offset) = 0;
  virtual uint64_t position() const = 0;
  virtual uint64_t size() const = 0;
  virtual bool truncate(uint64_t length) = 0;
  virtual bool sync() = 0;
  // Reads at `offset` without moving the position, safely while another thread writes through
  // this same file; files that cannot do that move nothing and say so in readsAtWhileWritten.
  virtual size_t readAt(uint64_t /*offset*/, void* /*buffer*/, size_t /*count*/) { return 0; }
  virtual bool readsAtWhileWritten() const { return false; }
};

class File {
 public:
  File() = default;
  explicit File(std::unique_ptr<FileImpl> impl) : impl_(std::move(impl)) {}
  File(File&&) noexcept = default;
  File& operator=(File&&) noexcept = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool isOpen() const { return impl_ != nullptr; }
  // Both return the number of bytes moved; fewer than asked means end of file or failure.
  size_t read(void* buffer, size_t count) {
    if (!impl_) return 0;
    const size_t moved = impl_->read(buffer, count);
    // Short of the end of the file, a short read is a failure of the disk, not the file's end.
    if (moved < count && impl_->position() < impl_->size()) failed_ = true;
    return moved;
  }
  size_t write(const void* buffer, size_t count) { return impl_ ? impl_->write(buffer, count) : 0; }
  bool readExact(void* buffer, size_t count) { return read(buffer, count) == count; }
  // A read at `offset` that leaves the position alone and may run on another thread while this
  // file is written; only for files whose readsAtWhileWritten is true.
  size_t readAt(uint64_t offset, void* buffer, size_t count) {
    return impl_ ? impl_->readAt(offset, buffer, count) : 0;
  }
  bool readsAtWhileWritten() const { return impl_ && impl_->readsAtWhileWritten(); }
  bool writeExact(const void* buffer, size_t count) { return write(buffer, count) == count; }
  bool seek(uint64_t offset) { return impl_ && impl_->seek(offset); }
  uint64_t position() const { return impl_ ? impl_->position() : 0; }
  // Current length in bytes; 0 when the file is not open.
  uint64_t size() const { return impl_ ? impl_->size() : 0; }
  bool truncate(uint64_t length) { return impl_ && impl_->truncate(length); }
  // Forces written data to the disk.
  bool sync() { return impl_ && impl_->sync(); }
  void close() { impl_.reset(); }
  // Whether a read has failed before the end of the file since the file was opened: a reader
  // that found no valid data can tell a disk failure from content it refuses.
  bool readFailed() const { return failed_; }

 private:
  std::unique_ptr<FileImpl> impl_;
  bool failed_ = false;
};

// Overwrites the whole file with zero bytes in pieces of at most 4 MiB, syncs and closes it, so
// nothing of what it held can be read from the disk afterwards. False when a write or the sync
// failed (the file is closed all the same).
bool wipeFile(File& file);

}  // namespace murl::platform
