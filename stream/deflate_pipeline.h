#pragma once
// The hidden stream's compression on two cores: each input area is deflated in parts of 1 MiB,
// every other part on a worker thread while the job's thread makes the one before it. Each part
// is primed with the 32 KiB of input before it and ends on a byte boundary, so the parts join in
// order into one zlib stream that stock zlib inflates. The bytes depend only on the input and the
// level, never on the number of threads: without the worker the parts are made one after another
// on the job's thread, the same bytes.
//
// The compressed bytes are cut into pieces of kCodecArea bytes in the caller's piece area, which
// has room for the 16 bytes each piece grows by when it is enciphered in place there.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "transforms/codec.h"

namespace murl {

class DeflatePipeline {
 public:
  // `pieces`: kCodecArea + kCodecAreaSlack bytes (the codec buffer); smaller ones serve tests.
  DeflatePipeline(std::span<uint8_t> pieces, bool withWorker);
  // Joins the worker: no thread outlives the pipeline.
  ~DeflatePipeline();
  DeflatePipeline(const DeflatePipeline&) = delete;
  DeflatePipeline& operator=(const DeflatePipeline&) = delete;

  // Starts a stream at a level index 0..6 with its zlib header. False only for lack of memory.
  bool open(uint8_t levelIndex);
  // Compresses the next input area, whose bytes must stay put until this returns; each full
  // piece goes to `sink` as it fills. With last = true the stream ends (final block, Adler-32)
  // and the rest goes to `sink` as the last, shorter piece.
  CodecStatus compress(const uint8_t* input, size_t n, bool last, const CodecSink& sink);

 private:
  struct Part {
    std::span<const uint8_t> history;
    const uint8_t* input = nullptr;
    size_t n = 0;
    bool last = false;
  };

  // The up to 32 KiB of input before the part at `offset` of the area at `input`.
  std::span<const uint8_t> historyAt(const uint8_t* input, size_t offset) const;
  // Keeps the last 32 KiB of everything compressed so far, for the next area's first part.
  void keepTail(const uint8_t* input, size_t n);
  // Copies compressed bytes into the piece area, handing each full piece to the sink.
  bool append(const uint8_t* bytes, size_t n, const CodecSink& sink);
  CodecStatus compressHere(const Part& part, const CodecSink& sink);
  void startAtWorker(const Part& part);
  // Waits for the worker's part and, given a sink, appends what it made.
  CodecStatus finishAtWorker(const CodecSink* sink);

  std::span<uint8_t> pieces_;
  size_t filled_ = 0;          // bytes of the current piece
  std::vector<uint8_t> here_;  // the job's thread's compressor output area
  Compressor compressor_;
  uint32_t check_ = 1;         // Adler-32 of the input so far
  std::vector<uint8_t> tail_;  // the last up to 32 KiB of input before this area

  // The worker: its compressor, its output, one part at a time.
  struct Worker;
  std::unique_ptr<Worker> worker_;
};

}  // namespace murl
