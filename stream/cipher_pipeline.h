#pragma once
// Pieces of the hidden stream enciphered on worker threads while the job's thread compresses the
// next ones, or blocks deciphered while it inflates the ones before; handed back in order.
//
// The caller draws each piece's cipher parameters when it submits the piece, so the random
// source is walked in piece order exactly as by a one-stage encipherment, and the output is the
// same bytes whatever the number of workers. At most one piece per worker is in flight, each in
// a buffer of its own; a piece submitted while every worker is busy is enciphered in place on the
// caller's thread. So the caller's thread is never idle and memory is bounded whatever the
// payload: 4 MiB per worker beside the caller's buffers.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace murl {

// Receives each enciphered piece (n + 16 bytes at data) or deciphered block (m - 16 bytes), in
// order; false ends the work.
using PieceWriter = std::function<bool(const uint8_t* data, size_t n)>;

// One worker per core beside the job's thread, which enciphers too: at least one, at most three.
unsigned cipherWorkersPerCore();

enum class CipherDirection : uint8_t { kEncipher, kDecipher };

class CipherPipeline {
 public:
  CipherPipeline(CipherDirection direction, const Password& password, Interrupt interrupt,
                 unsigned workers);
  // Stops the workers (a piece being enciphered sees the interrupt or is let finish) and joins
  // them: no thread outlives the pipeline.
  ~CipherPipeline();
  CipherPipeline(const CipherPipeline&) = delete;
  CipherPipeline& operator=(const CipherPipeline&) = delete;

  // Takes n <= 0x3FFFF0 bytes as the next piece, to be enciphered under `draws`: copied to a free
  // worker, or, when every worker is busy, enciphered in place at `piece` (which needs room for
  // n + 16 bytes) and handed to `write` after the pieces before it. False when an encipherment
  // was interrupted or refused, or `write` returned false.
  bool submit(uint8_t* piece, size_t n, const CipherDraws& draws, const PieceWriter& write);
  // The same for a block of 16 <= m <= 0x400000 enciphered bytes to decipher.
  bool submit(uint8_t* block, size_t m, const PieceWriter& write);
  // Waits for every piece in flight and hands each to `write` in order.
  bool drain(const PieceWriter& write);

 private:
  enum class SlotState : uint8_t { kFree, kQueued, kWorking, kDone, kFailed };
  struct Slot {
    std::unique_ptr<uint8_t[]> buffer;  // not zero-filled: every byte used is written first
    size_t n = 0;
    size_t piece = 0;  // its place in the stream: workers take the oldest queued piece first
    CipherDraws draws{};
    SlotState state = SlotState::kFree;
  };

  void work();
  bool run(uint8_t* buffer, size_t n, const CipherDraws& draws) const;
  size_t outputLength(size_t n) const;
  // Waits for slot `index` to finish and writes it; the slot is free afterwards.
  bool retire(size_t index, const PieceWriter& write);

  const CipherDirection direction_;
  const Password& password_;
  Interrupt interrupt_;
  std::vector<Slot> slots_;
  size_t nextSubmit_ = 0;  // pieces submitted
  size_t nextRetire_ = 0;  // pieces written
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  bool shuttingDown_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace murl
