#include "stream/cipher_pipeline.h"

#include <algorithm>

namespace murl {

unsigned cipherWorkersPerCore() {
  return std::clamp(std::thread::hardware_concurrency(), 2U, 4U) - 1;
}

CipherPipeline::CipherPipeline(CipherDirection direction, const Password& password,
                               Interrupt interrupt, unsigned workers)
    : direction_(direction),
      password_(password),
      interrupt_(interrupt),
      slots_(std::max(workers, 1U)) {
  for (Slot& slot : slots_) slot.buffer.reset(new uint8_t[kCodecArea + kCipherOverhead]);
  for (size_t i = 0; i < slots_.size(); ++i) workers_.emplace_back([this] { work(); });
}

CipherPipeline::~CipherPipeline() {
  {
    std::lock_guard lock(mutex_);
    shuttingDown_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void CipherPipeline::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Slot* next = nullptr;
    queued_.wait(lock, [&] {
      for (Slot& slot : slots_) {
        if (slot.state == SlotState::kQueued && (next == nullptr || slot.piece < next->piece)) {
          next = &slot;
        }
      }
      return shuttingDown_ || next != nullptr;
    });
    if (shuttingDown_) return;
    next->state = SlotState::kWorking;
    lock.unlock();
    const bool done = run(next->buffer.get(), next->n, next->draws);
    lock.lock();
    next->state = done ? SlotState::kDone : SlotState::kFailed;
    finished_.notify_all();
  }
}

bool CipherPipeline::run(uint8_t* buffer, size_t n, const CipherDraws& draws) const {
  if (direction_ == CipherDirection::kDecipher)
    return decipherBlock(buffer, n, password_, interrupt_);
  return encipherBlockWith(buffer, n, password_, draws, interrupt_);
}

size_t CipherPipeline::outputLength(size_t n) const {
  return direction_ == CipherDirection::kEncipher ? n + kCipherOverhead : n - kCipherOverhead;
}

bool CipherPipeline::retire(size_t index, const PieceWriter& write) {
  Slot& slot = slots_[index];
  {
    std::unique_lock lock(mutex_);
    finished_.wait(
        lock, [&] { return slot.state == SlotState::kDone || slot.state == SlotState::kFailed; });
  }
  const bool ok = slot.state == SlotState::kDone && write(slot.buffer.get(), outputLength(slot.n));
  std::lock_guard lock(mutex_);
  slot.state = SlotState::kFree;
  ++nextRetire_;
  return ok;
}

bool CipherPipeline::submit(uint8_t* piece, size_t n, const CipherDraws& draws,
                            const PieceWriter& write) {
  if (nextSubmit_ - nextRetire_ == slots_.size()) {
    // Every worker is busy: this thread takes the piece rather than wait, in place.
    return run(piece, n, draws) && drain(write) && write(piece, outputLength(n));
  }
  Slot& slot = slots_[nextSubmit_ % slots_.size()];
  std::copy(piece, piece + n, slot.buffer.get());
  {
    std::lock_guard lock(mutex_);
    slot.n = n;
    slot.piece = nextSubmit_++;
    slot.draws = draws;
    slot.state = SlotState::kQueued;
  }
  queued_.notify_one();
  return true;
}

bool CipherPipeline::submit(uint8_t* block, size_t m, const PieceWriter& write) {
  return submit(block, m, CipherDraws{}, write);
}

bool CipherPipeline::drain(const PieceWriter& write) {
  while (nextRetire_ < nextSubmit_) {
    if (!retire(nextRetire_ % slots_.size(), write)) return false;
  }
  return true;
}

}  // namespace murl
