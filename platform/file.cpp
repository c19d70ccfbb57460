#include "platform/file.h"

#include <algorithm>
#include <vector>

namespace murl::platform {

bool wipeFile(File& file) {
  if (!file.isOpen()) return true;
  constexpr uint64_t kPiece = 0x400000;
  uint64_t left = file.size();
  std::vector<char> zeros(static_cast<size_t>(std::min(left, kPiece)), 0);
  bool wiped = file.seek(0);
  while (wiped && left > 0) {
    size_t n = static_cast<size_t>(std::min(left, kPiece));
    wiped = file.writeExact(zeros.data(), n);
    left -= n;
  }
  // The zeros must reach the disk before the blocks are let go, or the old data could survive.
  if (wiped) wiped = file.sync();
  file.close();
  return wiped;
}

}  // namespace murl::platform
