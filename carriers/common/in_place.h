#pragma once
// Carriers whose units lie in one run of fixed-size records (sound samples, bitmap rows) that hide
// and mark rewrite in place: the target is the source with only those records' unit bits changed.
// A carrier inside a module is rewritten in place in a target that already holds the module, so
// nothing around its records is copied.
#include <algorithm>
#include <cstdint>

#include "carriers/common/contract.h"
#include "carriers/common/operation.h"

namespace murl {

// `count` records of `stride` bytes from file offset `at`.
struct RecordRun {
  uint64_t at = 0;
  uint64_t count = 0;
  uint32_t stride = 1;

  uint64_t end() const { return at + count * stride; }
};

// Streams the records through the sample buffer, as many whole ones per block as it holds, hands
// each block to `perBlock(bytes, records)` and, when `dst` is given, writes it back to the same
// place. Polls the operation's flags and reports progress once per block.
template <class PerBlock>
bool streamRecords(const OperationContext& context, platform::File& src, platform::File* dst,
                   const RecordRun& run, PerBlock&& perBlock) {
  if (!src.seek(run.at)) return context.readFailed();
  if (dst && !dst->seek(run.at)) return context.writeFailed();
  uint8_t* buffer = context.workspace.sampleBuffer.data();
  const uint64_t perRead = std::max<uint64_t>(1, kBufferSize / run.stride);
  for (uint64_t done = 0; done < run.count;) {
    if (context.stopped()) return false;
    const uint64_t records = std::min(perRead, run.count - done);
    const size_t bytes = static_cast<size_t>(records * run.stride);
    if (!src.readExact(buffer, bytes)) return context.readFailed();
    if (!perBlock(buffer, records)) return false;
    if (dst && !dst->writeExact(buffer, bytes)) return context.writeFailed();
    done += records;
    context.progress(done, run.count);
  }
  return true;
}

// The whole walk of an in-place carrier: for a file of its own with a target, the bytes before
// the records, then the records through `perBlock`, then every byte after them up to the end of
// the region.
template <class PerBlock>
bool walkInPlace(const OperationContext& context, platform::File& src, platform::File* dst,
                 const CarrierRegion& region, const RecordRun& run, PerBlock&& perBlock) {
  const bool copies = dst && !region.inModule;
  if (copies && !context.copyRange(src, *dst, region.offset, run.at)) return false;
  if (!streamRecords(context, src, dst, run, perBlock)) return false;
  return !copies || context.copyRange(src, *dst, run.end(), region.offset + region.size);
}

}  // namespace murl
