#include "carriers/common/byte_window.h"

#include <algorithm>
#include <cstring>

namespace murl {

void ReadWindow::fill(size_t want) {
  want = std::min(want, capacity_);
  if (ready() >= want || ended_) return;
  const size_t kept = ready();
  std::memmove(buffer_, buffer_ + at_, kept);
  start_ += at_;
  at_ = 0;
  end_ = kept;
  // Read as far as the buffer goes, so most rows find their bytes without a read of their own.
  if (!file_.seek(start_ + end_)) {
    ended_ = true;
    return;
  }
  while (end_ < capacity_) {
    const size_t got = file_.read(buffer_ + end_, capacity_ - end_);
    end_ += got;
    if (got == 0) {
      ended_ = true;
      return;
    }
  }
}

uint8_t* WriteQueue::reserve(size_t count) {
  if (capacity_ - used_ < count && !flush()) return nullptr;
  return buffer_ + used_;
}

bool WriteQueue::put(const uint8_t* bytes, size_t count) {
  uint8_t* at = reserve(count);
  if (at == nullptr) return false;
  std::memcpy(at, bytes, count);
  commit(count);
  return true;
}

bool WriteQueue::flush() {
  const bool written = file_ && file_->writeExact(buffer_, used_);
  used_ = 0;
  return written;
}

}  // namespace murl
