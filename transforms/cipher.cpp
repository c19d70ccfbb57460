// The two forms of the cipher: sixteen rounds of one random layer and one key mixing step.
#include "transforms/cipher.h"

#include <algorithm>

#include "transforms/cipher_parts.h"

namespace murl {
namespace cipher {
namespace {

// A pool that never yields a value in 0..15 answers every draw with the midpoint 7; past this
// many draws the missing values are taken in ascending order instead of drawing forever.
constexpr int kMaxOrderDraws = 4096;

// Runs the sixteen encipher rounds on len bytes at buffer; the key index of round t comes from
// startOf(t). False when the interrupt is raised at the start of a round.
template <typename StartOf>
bool encipherRounds(uint8_t* buffer, size_t len, KeyMixer& mixer, StartOf startOf,
                    const CipherDraws& draws, const Interrupt& interrupt) {
  for (int t = 0; t < kRounds; ++t) {
    if (interrupt.raised()) return false;
    applyLayer(layerKindOf(draws.order[t]), draws.layerParameters[t], buffer, len, buffer);
    ++len;
    mixer.mix(startOf(t), buffer, len, buffer);
  }
  return true;
}

template <typename StartOf>
bool decipherRounds(uint8_t* buffer, size_t len, KeyMixer& mixer, StartOf startOf,
                    const Interrupt& interrupt) {
  for (int t = kRounds - 1; t >= 0; --t) {
    if (interrupt.raised()) return false;
    mixer.unmix(startOf(t), buffer, len, buffer);
    --len;
    undoLayer(buffer[len], buffer, len, buffer);
  }
  return true;
}

}  // namespace

std::array<uint8_t, kRounds> drawRoundOrder(RandomSource& random) {
  std::array<uint8_t, kRounds> order{};
  bool kept[kRounds] = {};
  int count = 0;
  for (int draws = 0; count < kRounds && draws < kMaxOrderDraws; ++draws) {
    const uint8_t v = random.drawByte(0, kRounds - 1);
    if (kept[v]) continue;
    kept[v] = true;
    order[count++] = v;
  }
  for (uint8_t v = 0; count < kRounds; ++v)
    if (!kept[v]) order[count++] = v;
  return order;
}

size_t roundStart(const Password& password, int round) {
  // The byte is widened with its sign, so 0x80 and above count from 0xFFFFFF80 on.
  const auto c = static_cast<uint32_t>(
      static_cast<int32_t>(static_cast<int8_t>(password.bytes()[static_cast<size_t>(round)])));
  return c % password.length();
}

HeaderKeys headerKeys(uint32_t key) {
  HeaderKeys keys{};
  uint32_t rest = key;
  for (int i = 9; i >= 0; --i) {
    keys.d[i] = static_cast<uint8_t>(rest % 10);
    rest /= 10;
  }
  // E[i] = the byte at `shift` of (D[a] + D[b]) * K, products modulo 2^32.
  struct Source {
    int a, b, shift;
  };
  constexpr Source kSources[10] = {{2, 8, 24}, {9, 3, 16}, {0, 4, 8}, {5, 1, 0},  {6, 2, 24},
                                   {3, 7, 16}, {4, 8, 8},  {9, 5, 0}, {6, 0, 24}, {1, 7, 16}};
  for (int i = 0; i < 10; ++i) {
    const Source& s = kSources[i];
    const uint32_t product = (uint32_t{keys.d[s.a]} + keys.d[s.b]) * key;
    keys.e[i] = static_cast<uint8_t>(product >> s.shift);
  }
  return keys;
}

}  // namespace cipher

CipherDraws drawCipherParameters(RandomSource& random) {
  CipherDraws draws{};
  draws.order = cipher::drawRoundOrder(random);
  for (uint8_t& parameter : draws.layerParameters) parameter = random.drawByte(0, 15);
  return draws;
}

bool encipherBlockWith(uint8_t* buffer, size_t n, const Password& password,
                       const CipherDraws& draws, Interrupt interrupt) {
  if (password.length() == 0) return false;
  cipher::KeyMixer mixer(password.bytes(), password.companion(), password.length(),
                         n + kCipherOverhead);
  return cipher::encipherRounds(
      buffer, n, mixer, [&](int t) { return cipher::roundStart(password, t); }, draws, interrupt);
}

bool encipherBlock(uint8_t* buffer, size_t n, const Password& password, RandomSource& random,
                   Interrupt interrupt) {
  if (password.length() == 0) return false;
  return encipherBlockWith(buffer, n, password, drawCipherParameters(random), interrupt);
}

bool decipherBlock(uint8_t* buffer, size_t m, const Password& password, Interrupt interrupt) {
  if (password.length() == 0 || m < kCipherOverhead) return false;
  cipher::KeyMixer mixer(password.bytes(), password.companion(), password.length(), m);
  return cipher::decipherRounds(
      buffer, m, mixer, [&](int t) { return cipher::roundStart(password, t); }, interrupt);
}

void encipherHeader(uint8_t* buffer, uint32_t key, RandomSource& random) {
  const cipher::HeaderKeys keys = cipher::headerKeys(key);
  cipher::KeyMixer mixer(keys.d.data(), keys.e.data(), keys.d.size(), cipher::kHeaderSize);
  cipher::encipherRounds(buffer, cipher::kHeaderPlainSize, mixer, [](int) { return size_t{0}; },
                         drawCipherParameters(random), {});
}

void decipherHeader(uint8_t* buffer, uint32_t key) {
  const cipher::HeaderKeys keys = cipher::headerKeys(key);
  cipher::KeyMixer mixer(keys.d.data(), keys.e.data(), keys.d.size(), cipher::kHeaderSize);
  cipher::decipherRounds(buffer, cipher::kHeaderSize, mixer, [](int) { return size_t{0}; }, {});
}

}  // namespace murl
