#pragma once
// A target read back on a thread of its own while the job's thread writes it: the reader trails
// the writer through the one open file, so the read-back costs little more than its last block.
//
// Only a reading that holds and matches can pass a target: anything else is for the job to read
// again after the writing, which decides. So the reader works in buffers and flags of its own
// and shows nothing. No thread outlives the object.
#include <memory>
#include <vector>

#include "bits/read_back.h"
#include "carriers/common/contract.h"
#include "core/side_work.h"
#include "core/workspace.h"
#include "platform/trailing_file.h"

namespace murl {

class TrailingReadBack {
 public:
  enum class Outcome {
    kRead,       // the records are what the target holds
    kReadAgain,  // the reading failed or proves nothing (bytes rewritten after it, another length)
    kAbandoned,  // the writing failed, or the job was stopped
  };

  // Starts reading `target` from its start as the carrier `asTarget` names it, taking it to be
  // `expectedSize` bytes long (a target as long as its source is read back while it is written;
  // any other is read again). `target` must read at an offset beside its writes, and stay open
  // until finish() or the end of this object.
  TrailingReadBack(Workspace& workspace, const CarrierEntry& asTarget, platform::File& target,
                   uint64_t expectedSize);
  // Abandons the reading unless finished, and joins its thread.
  ~TrailingReadBack();
  TrailingReadBack(const TrailingReadBack&) = delete;
  TrailingReadBack& operator=(const TrailingReadBack&) = delete;

  // What the writer writes the target through.
  platform::File& writer() { return writer_; }
  // Ends the writing, which `written` tells succeeded or not, and waits for the reader while
  // passing it the job's stop and closing flags and the job its progress. After a failed
  // writing, the reader is abandoned.
  Outcome finish(bool written, std::vector<TrailerRecord>& records);

 private:
  class Progress;
  void abandon();

  Workspace& workspace_;
  SilentReporter silent_;
  std::unique_ptr<Progress> progress_;
  platform::TrailedFile trailed_;
  platform::File writer_;
  platform::File reader_;
  ReadBackSink sink_;
  bool readOk_ = false;  // read once the reader has been awaited
  SideWork side_;        // last: its thread uses everything above
};

}  // namespace murl
