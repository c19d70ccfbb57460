#include "transforms/random_source.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/byte_order.h"
#include "platform/system_info.h"

namespace murl {
namespace {

constexpr int kMaxTries = 1000;

// Adds the 25 little-endian words of a zero-filled 100-byte area holding `bytes` at its start.
uint32_t sumOfArea(const uint8_t* bytes, size_t count) {
  uint8_t area[100] = {};
  std::memcpy(area, bytes, std::min(count, sizeof area));
  uint32_t sum = 0;
  for (size_t i = 0; i < sizeof area; i += 4) sum += loadLe32(area + i);
  return sum;
}

}  // namespace

RandomSource::RandomSource() { loadPool(embeddedRandomPool()); }

void RandomSource::loadPool(std::span<const uint8_t> pool) {
  std::copy_n(pool.begin(), std::min(pool.size(), kPoolSize), pool_.begin());
  index_ = 0;
  byteStep_ = 1;
  wordStep_ = 2;
}

void RandomSource::mixClock(uint16_t seconds, uint16_t milliseconds) {
  index_ = static_cast<uint16_t>(seconds + milliseconds);
  wordStep_ = 2;
  byteStep_ = 1;
  const auto sec = static_cast<uint8_t>(seconds);
  const auto ms = static_cast<uint8_t>(milliseconds);
  for (size_t e = 0; e < kPoolSize; e += 2) {
    pool_[e] = static_cast<uint8_t>((pool_[e] - sec) ^ ms);
    pool_[e + 1] = static_cast<uint8_t>((pool_[e + 1] + ms) ^ sec);
  }
}

void RandomSource::mixSystemEntropy() {
  std::vector<uint8_t> noise(kPoolSize);
  if (!platform::osRandomBytes(noise.data(), noise.size())) return;
  for (size_t i = 0; i < kPoolSize; ++i) pool_[i] ^= noise[i];
  std::fill(noise.begin(), noise.end(), 0);
}

void RandomSource::seed() {
  loadPool(embeddedRandomPool());
  platform::SystemTime now = platform::utcNow();
  mixClock(now.second, now.milliseconds);
  mixSystemEntropy();
}

void RandomSource::advanceByteStep() {
  index_ = static_cast<uint16_t>(index_ + byteStep_);
  if (++byteStep_ > 10) byteStep_ = 1;
}

void RandomSource::advanceWordStep() {
  // A word draw never leaves the index on the pool's last byte: it steps on once more.
  do {
    index_ = static_cast<uint16_t>(index_ + wordStep_);
    if (++wordStep_ > 10) wordStep_ = 2;
  } while (index_ == 0xFFFF);
}

uint16_t RandomSource::wordAt(uint16_t at) const {
  // Only a byte draw can leave the index at 0xFFFF; the word then wraps to the pool's start.
  uint8_t high = pool_[static_cast<uint16_t>(at + 1)];
  return static_cast<uint16_t>(pool_[at] | high << 8);
}

uint8_t RandomSource::drawByte(uint8_t lo, uint8_t hi) {
  if (lo == hi) return lo;
  if (lo > hi) std::swap(lo, hi);
  for (int tries = 0; tries < kMaxTries; ++tries) {
    uint8_t v = pool_[index_];
    uint8_t inverse = static_cast<uint8_t>(~v);
    advanceByteStep();
    if (v >= lo && v <= hi) return v;
    if (inverse >= lo && inverse <= hi) return inverse;
  }
  return static_cast<uint8_t>(lo + (hi - lo) / 2);
}

void RandomSource::fillBytes(uint8_t* out, size_t n) {
  // A full-range draw always takes the byte under the index, so the loop only walks the index;
  // the step and the index stay in registers and wrap as 16-bit values do.
  uint16_t at = index_;
  unsigned step = byteStep_;
  for (size_t i = 0; i < n; ++i) {
    out[i] = pool_[at];
    at = static_cast<uint16_t>(at + step);
    step = step == 10 ? 1 : step + 1;
  }
  index_ = at;
  byteStep_ = static_cast<uint8_t>(step);
}

uint16_t RandomSource::drawWord(uint16_t lo, uint16_t hi) {
  if (lo == hi) return lo;
  if (lo > hi) std::swap(lo, hi);
  for (int tries = 0; tries < kMaxTries; ++tries) {
    uint16_t v = wordAt(index_);
    uint16_t inverse = static_cast<uint16_t>(~v);
    advanceWordStep();
    if (v >= lo && v <= hi) return v;
    if (inverse >= lo && inverse <= hi) return inverse;
  }
  return static_cast<uint16_t>(lo + (hi - lo) / 2);
}

uint32_t RandomSource::computeSessionNumber() {
  uint32_t high = drawWord(0, 65535);
  uint32_t low = drawWord(0, 65535);
  uint32_t s = (high << 16) | low;
  auto info = platform::serialise(platform::systemInfo());
  s += sumOfArea(info.data(), info.size());
  auto time = platform::serialise(platform::utcNow());
  s += sumOfArea(time.data(), time.size());
  std::string user = platform::userName();
  if (user.size() > 99) user.resize(99);  // the terminator must fit in the area
  s += sumOfArea(reinterpret_cast<const uint8_t*>(user.c_str()), user.size() + 1);
  return s;
}

}  // namespace murl
