#pragma once
// The reader's decoding (checks, decipher, inflate) on a thread of its own, fed the gathered
// bytes as the carriers give them up, so that gathering and decoding overlap instead of the
// gathered stream going through a temporary file first.
//
// The gathered bytes pass through a bounded queue: the gatherer waits while 1 MiB is pending,
// and once the decoder has taken all it needs (or given up) further bytes are dropped. The
// decoder works in buffers of its own and shows nothing itself: its one message, if any, is kept
// and shown on the job's Workspace by finish(), after the gathering has succeeded, so a failure
// of the gathering or a stop is the only thing the user hears of. No thread outlives the object.
#include <cstdint>
#include <memory>

#include "core/job_listener.h"
#include "core/side_work.h"
#include "core/workspace.h"
#include "stream/cipher_pipeline.h"

namespace murl {

class BytePipe;

class StreamDecoder {
 public:
  // Starts decoding into `decoded` (written from its current position) a gathered stream whose
  // first `gatheredBytes` bytes count, as decodeHiddenStream does.
  StreamDecoder(Workspace& workspace, uint64_t gatheredBytes, platform::File& decoded,
                unsigned cipherWorkers = cipherWorkersPerCore());
  // Abandons the decoding unless finished, and joins its thread.
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // Where the gatherer writes the gathered bytes, in order; writes never fail.
  platform::File& input() { return input_; }
  // Ends the input (every gathered byte written) and waits for the decoding, passing its
  // progress to `listener` and the job's stop and closing flags to the decoder. On success
  // `decodedLength` is the HiddenStream's length; on failure the decoder's message has been shown
  // on the job's Workspace (none when stopped).
  bool finish(JobListener& listener, uint64_t& decodedLength);

 private:
  class Relay;
  void decode(uint64_t gatheredBytes, platform::File& decoded, unsigned cipherWorkers);
  void abandon();

  Workspace& workspace_;
  std::unique_ptr<Relay> relay_;  // the decoder's reporter and listener
  std::shared_ptr<BytePipe> pipe_;
  platform::File input_;
  platform::File output_;   // the decoder's end of the pipe
  bool decodedOk_ = false;  // both read once the decoder has been awaited
  uint64_t length_ = 0;
  SideWork side_;  // last: its thread uses everything above
};

}  // namespace murl
