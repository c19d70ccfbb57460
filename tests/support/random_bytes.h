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

// `n` bytes of words drawn from a small vocabulary: compresses like text, with long matches to
// find.
inline std::vector<uint8_t> textLike(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"hidden ",  "carrier ", "stream ", "the ",  "of ",
                                       "bits\r\n", "and ",     "file ",   "murl ", "folder "};
  std::mt19937 gen(seed);
  std::vector<uint8_t> out;
  out.reserve(n);
  while (out.size() < n) {
    const char* w = kWords[gen() % 10];
    while (*w != 0 && out.size() < n) out.push_back(static_cast<uint8_t>(*w++));
  }
  return out;
}

}  // namespace murl::test
