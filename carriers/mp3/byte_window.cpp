#include "carriers/mp3/byte_window.h"

#include <algorithm>
#include <cstring>

#include "carriers/mp3/mp3_frame.h"

namespace murl::mp3 {

bool ByteWindow::fetch(uint64_t at, uint64_t count) {
  if (at >= start_ && at + count <= end()) return true;
  if (at + count > size_ || at < start_ || count > buffer_.size()) return false;
  return refill(at, count);
}

bool ByteWindow::refill(uint64_t at, uint64_t count) {
  const bool roomFromKept = keep_ <= at && at + count - keep_ <= buffer_.size();
  const uint64_t from = std::max(roomFromKept ? keep_ : at, start_);
  if (dst_ && !emit(from)) return false;
  if (from < end()) {
    const uint64_t kept = end() - from;
    std::memmove(buffer_.data(), data(from), kept);
    filled_ = kept;
  } else {
    filled_ = 0;
  }
  start_ = from;
  const uint64_t want = std::min<uint64_t>(buffer_.size() - filled_, size_ - end());
  if (!src_.seek(end()) || !src_.readExact(buffer_.data() + filled_, want)) return false;
  filled_ += want;
  return at + count <= end();
}

bool ByteWindow::emit(uint64_t to) {
  if (written_ < end() && written_ < to) {
    const uint64_t upTo = std::min(to, end());
    if (!write(data(written_), upTo - written_)) return false;
    written_ = upTo;
  }
  // Bytes the window skipped: the buffer is free, its bytes all written.
  while (written_ < to) {
    filled_ = 0;
    const uint64_t piece = std::min<uint64_t>(to - written_, buffer_.size());
    if (!src_.seek(written_) || !src_.readExact(buffer_.data(), piece)) return false;
    if (!write(buffer_.data(), piece)) return false;
    written_ += piece;
  }
  return true;
}

bool ByteWindow::write(const uint8_t* bytes, uint64_t count) {
  if (dst_->seek(written_) && dst_->writeExact(bytes, count)) return true;
  writeFailed_ = true;
  return false;
}

bool ByteWindow::findSync(uint64_t from, std::optional<uint64_t>& found) {
  found.reset();
  if (size_ < kHeaderBytes) return true;
  const uint64_t last = size_ - kHeaderBytes;  // the last position a header fits at
  constexpr uint64_t kPiece = 1 << 16;
  for (uint64_t at = from; at <= last;) {
    // Each piece holds the byte after its last candidate, so a sync across pieces is seen.
    const uint64_t candidates = std::min(kPiece, last + 1 - at);
    keepFrom(at);
    if (!fetch(at, candidates + 1)) return false;
    const uint8_t* bytes = data(at);
    for (const uint8_t* p = bytes; p < bytes + candidates;) {
      p = static_cast<const uint8_t*>(std::memchr(p, 0xFF, bytes + candidates - p));
      if (!p) break;
      if (isSync(p)) {
        found = at + static_cast<uint64_t>(p - bytes);
        return true;
      }
      ++p;
    }
    at += candidates;
  }
  return true;
}

}  // namespace murl::mp3
