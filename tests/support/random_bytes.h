#pragma once
#include <cstdint>
#include <random>
#include <vector>

namespace murl::test {

// `n` bytes from the generator; the overload with a seed starts a generator of its own.
inline std::vector<uint8_t> randomBytes(size_t n, std::mt19937& gen) {
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(gen());
  return bytes;
}
inline std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  return randomBytes(n, gen);
}

}  // namespace murl::test
