#include "carriers/common/operation.h"

#include <algorithm>

namespace murl {

bool OperationContext::readFailed() const {
  if (operation == Operation::kCount) return false;
  workspace.show(writes() ? MessageId::kCouldntReadSourceFile : MessageId::kCouldntReadFile);
  return false;
}

bool OperationContext::writeFailed() const {
  workspace.show(MessageId::kCouldntWriteTargetFile);
  return false;
}

bool OperationContext::wrongBits() const {
  if (operation != Operation::kCount) workspace.show(MessageId::kWrongCarrierBitsNumber);
  return false;
}

bool OperationContext::outOfMemory() const {
  if (operation != Operation::kCount) workspace.show(MessageId::kOutOfMemory);
  return false;
}

void OperationContext::progress(uint64_t done, uint64_t total) const {
  if (share.whole == 0) return workspace.reportBlock(done, total);
  if (total == 0) return;
  const double within =
      static_cast<double>(share.weight) * static_cast<double>(done) / static_cast<double>(total);
  workspace.reportBlock(share.base + static_cast<uint64_t>(within), share.whole);
}

bool OperationContext::copyRange(platform::File& src, platform::File& dst, uint64_t from,
                                 uint64_t to) const {
  if (!dst.seek(from)) return writeFailed();
  return appendRange(src, dst, from, to);
}

bool OperationContext::appendRange(platform::File& src, platform::File& dst, uint64_t from,
                                   uint64_t to) const {
  if (!src.seek(from)) return readFailed();
  uint8_t* buffer = workspace.workBuffer.data();
  for (uint64_t at = from; at < to;) {
    if (stopped()) return false;
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(to - at, kBufferSize));
    if (!src.readExact(buffer, piece)) return readFailed();
    if (!dst.writeExact(buffer, piece)) return writeFailed();
    at += piece;
  }
  return true;
}

}  // namespace murl
