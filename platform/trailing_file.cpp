#include "platform/trailing_file.h"

namespace murl::platform {

class TrailedFile::Writing final : public FileImpl {
 public:
  explicit Writing(TrailedFile& trailed) : trailed_(trailed), file_(trailed.file_) {}
  size_t read(void* buffer, size_t count) override { return file_.read(buffer, count); }
  size_t write(const void* buffer, size_t count) override {
    const uint64_t at = file_.position();
    trailed_.writing(at);
    const size_t moved = file_.write(buffer, count);
    trailed_.wrote(at, moved);
    return moved;
  }
  bool seek(uint64_t offset) override { return file_.seek(offset); }
  uint64_t position() const override { return file_.position(); }
  uint64_t size() const override { return file_.size(); }
  // Shortening would take bytes the reader may have read: the writer never does.
  bool truncate(uint64_t) override { return false; }
  bool sync() override { return file_.sync(); }

 private:
  TrailedFile& trailed_;
  File& file_;
};

class TrailedFile::Reading final : public FileImpl {
 public:
  explicit Reading(TrailedFile& trailed) : trailed_(trailed) {}
  size_t read(void* buffer, size_t count) override {
    trailed_.awaitWritten(position_ + count);
    const size_t moved = trailed_.file_.readAt(position_, buffer, count);
    position_ += moved;
    return moved;
  }
  size_t write(const void*, size_t) override { return 0; }
  bool seek(uint64_t offset) override {
    position_ = offset;
    return true;
  }
  uint64_t position() const override { return position_; }
  uint64_t size() const override { return trailed_.expectedSize_; }
  bool truncate(uint64_t) override { return false; }
  bool sync() override { return false; }

 private:
  TrailedFile& trailed_;
  uint64_t position_ = 0;
};

File TrailedFile::writer() { return File(std::make_unique<Writing>(*this)); }

File TrailedFile::reader() { return File(std::make_unique<Reading>(*this)); }

void TrailedFile::end() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

bool TrailedFile::holds() const {
  std::lock_guard lock(mutex_);
  return ended_ && !rewritten_ && file_.size() == expectedSize_;
}

void TrailedFile::awaitWritten(uint64_t upTo) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return ended_ || written_ >= upTo; });
}

void TrailedFile::writing(uint64_t from) {
  std::lock_guard lock(mutex_);
  if (from < written_) rewritten_ = true;
}

void TrailedFile::wrote(uint64_t from, size_t count) {
  std::lock_guard lock(mutex_);
  if (from + count <= written_) return;
  written_ = from + count;
  changed_.notify_all();
}

}  // namespace murl::platform
