#pragma once
// The random source: a 64 KiB pool walked by a shared index. Every random value of the program
// (cipher round orders and layer parameters, fill bits, temporary names, job and session numbers)
// comes from here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace murl {

class RandomSource {
 public:
  static constexpr size_t kPoolSize = 65536;

  // Starts with the embedded pool, unseeded: index 0, steps at their start values.
  RandomSource();

  // Replaces the pool (exactly kPoolSize bytes) and resets index and steps; for tests.
  void loadPool(std::span<const uint8_t> pool);
  // The clock step of the seeding: index = sec + ms, steps reset, every byte pair mixed.
  void mixClock(uint16_t seconds, uint16_t milliseconds);
  // XORs bytes from the operating system's random source over the pool, so the fill bits of a
  // carrier cannot be replayed by someone holding the program and a clock reading.
  void mixSystemEntropy();
  // The start-up seeding: embedded pool, clock step with the current UTC time, system entropy.
  void seed();

  // A byte in [lo, hi] (bounds exchanged when lo > hi).
  uint8_t drawByte(uint8_t lo, uint8_t hi);
  // n full-range bytes: the same bytes, and the same state after, as n calls drawByte(0, 255).
  void fillBytes(uint8_t* out, size_t n);
  // A 16-bit value in [lo, hi]; never leaves the index at 0xFFFF.
  uint16_t drawWord(uint16_t lo, uint16_t hi);

  // The session number: two word draws (high half first) plus the words of the system
  // information, the current time and the user name.
  uint32_t computeSessionNumber();

  uint16_t index() const { return index_; }
  uint8_t poolByte(size_t at) const { return pool_[at]; }

 private:
  void advanceByteStep();
  void advanceWordStep();
  uint16_t wordAt(uint16_t at) const;

  std::array<uint8_t, kPoolSize> pool_;
  uint16_t index_ = 0;
  uint8_t byteStep_ = 1;
  uint16_t wordStep_ = 2;
};

// The 65,536 bytes compiled into the program.
std::span<const uint8_t> embeddedRandomPool();

}  // namespace murl
