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
  bool copyRange(platform::File& src, platform::File& dst, uint64_t from, uint64_t to) const;
  // The same, written at dst's current position (a target whose layout moved, a re-coded image).
  bool appendRange(platform::File& src, platform::File& dst, uint64_t from, uint64_t to) const;

  uint8_t level(LevelFormat format) const { return workspace.options.level(format); }
  // `done` of `total` blocks of this operation; within a larger one (a resource of a module) they
  // move only this operation's share of the whole.
  void progress(uint64_t done, uint64_t total) const;

  // Where this operation lies within the whole carrier's work: from `base`, `weight` of `whole`
  // units. A whole of 0 means the operation is the whole carrier.
  struct Share {
    uint64_t base = 0;
    uint64_t weight = 0;
    uint64_t whole = 0;
  };
  Share share;

  Workspace& workspace;
  const Operation operation;
};

}  // namespace murl
