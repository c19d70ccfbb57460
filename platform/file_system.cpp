#include "platform/file_system.h"

#include <algorithm>
#include <vector>

namespace murl::platform {

bool FileSystem::wipeAndDelete(File& file, const std::string& path) {
  bool wiped = true;
  if (file.isOpen()) {
    constexpr uint64_t kPiece = 0x400000;
    uint64_t left = file.size();
    std::vector<char> zeros(static_cast<size_t>(std::min(left, kPiece)), 0);
    wiped = file.seek(0);
    while (wiped && left > 0) {
      size_t n = static_cast<size_t>(std::min(left, kPiece));
      wiped = file.writeExact(zeros.data(), n);
      left -= n;
    }
    // The zeros must reach the disk before the name goes, or the old blocks could survive.
    if (wiped) wiped = file.sync();
    file.close();
  }
  bool removed = remove(path);
  return wiped && removed;
}

}  // namespace murl::platform
