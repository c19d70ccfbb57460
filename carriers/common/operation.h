#pragma once
// One running carrier operation: which one it is decides its messages and when it gives up, so
// every format reports a short read, a failed write or a stop the same way.
#include <cstdint>

#include "core/workspace.h"
#include "platform/file.h"

namespace murl {

enum class Operation : uint8_t { kCount, kHide, kExtract, kMark, kCheck };

class OperationContext {
 public:
  OperationContext(Workspace& ws, Operation op) : workspace(ws), operation(op) {}

  // Count runs outside any job, while carriers are added, so only the closing flag ends it; every
  // other operation also ends when the job is stopped.
  bool stopped() const {
    return operation == Operation::kCount ? workspace.closing.load() : workspace.interrupted();
  }
  bool writes() const { return operation == Operation::kHide || operation == Operation::kMark; }

  // Each shows the operation's message (count shows none) and returns false.
  bool readFailed() const;   // "Couldn't read from source file!" / "Couldn't read from file!"
  bool writeFailed() const;  // "Couldn't write to target file!"
  bool wrongBits() const;    // "Wrong carrier bits number!"
  bool outOfMemory() const;  // "Out of memory!"

  // Copies src's bytes [from, to) to the same place in dst through the work buffer, in pieces of
  // at most 4 MiB, polling the flags per piece.
  bool copyRange(platform::File& src, platform::File& dst, uint64_t from, uint64_t to) const {
    return copyRangeTo(src, dst, from, to, from);
  }
  // The same, to dst's offset `dstAt`: for targets whose length differs from the source's before
  // the range.
  bool copyRangeTo(platform::File& src, platform::File& dst, uint64_t from, uint64_t to,
                   uint64_t dstAt) const;

  uint8_t level(LevelFormat format) const { return workspace.options.level(format); }
  void progress(uint64_t done, uint64_t total) const { workspace.reportBlock(done, total); }

  Workspace& workspace;
  const Operation operation;
};

}  // namespace murl
