// The twelve cipher layers and their inverses, and the fixed tables they share with key mixing.
#include <algorithm>

#include "transforms/cipher_parts.h"

namespace murl::cipher {
namespace {

// Bit i of the input goes to bit kBitTargets[k][i] of the output.
constexpr uint8_t kBitTargets[16][8] = {
    {7, 6, 5, 4, 3, 2, 1, 0}, {7, 5, 3, 1, 6, 4, 2, 0}, {7, 4, 1, 6, 3, 0, 5, 2},
    {7, 2, 5, 0, 3, 6, 1, 4}, {6, 7, 4, 5, 2, 3, 0, 1}, {6, 4, 2, 0, 7, 5, 3, 1},
    {6, 5, 0, 7, 2, 1, 4, 3}, {6, 3, 4, 1, 2, 7, 0, 5}, {7, 6, 5, 4, 0, 1, 2, 3},
    {0, 2, 4, 6, 1, 3, 5, 7}, {0, 3, 6, 1, 4, 7, 2, 5}, {0, 5, 2, 7, 4, 1, 6, 3},
    {1, 0, 3, 2, 5, 4, 7, 6}, {1, 3, 5, 7, 0, 2, 4, 6}, {1, 2, 7, 0, 5, 6, 3, 4},
    {1, 4, 3, 6, 5, 0, 7, 2},
};

unsigned bit(unsigned s, unsigned i) { return (s >> i) & 1; }

// Kind 8, one byte: returns output | next state << 8.
uint16_t nibbleMixStep(unsigned s, unsigned x) {
  const unsigned high = x >> 4, low = x & 15;
  const bool highKept = bit(s, 1) == bit(s, 2);
  const unsigned kept = highKept ? high : low;
  const unsigned other = highKept ? low : high;
  const unsigned comb = (bit(s, 2) ? other - kept : other + kept) & 15;
  const unsigned stored = bit(s, 3) ? 15 - kept : kept;
  const unsigned y = bit(s, 0) ? stored * 16 + comb : comb * 16 + stored;
  const unsigned d = bit(s, 1) ? low : high;
  const unsigned next = (bit(s, 0) ? s - d : s + d) & 15;
  return static_cast<uint16_t>(y | next << 8);
}

// Kind 9, one byte: the four two-bit digits A B C D paired up by bit 3 of the state.
uint16_t pairMixStep(unsigned s, unsigned x) {
  const unsigned digit[4] = {x >> 6, (x >> 4) & 3, (x >> 2) & 3, x & 3};
  const unsigned pairs[2][2] = {{digit[0], bit(s, 3) ? digit[2] : digit[1]},
                                {bit(s, 3) ? digit[1] : digit[2], digit[3]}};
  unsigned y = 0;
  for (const auto& pair : pairs) {
    const unsigned kept = bit(s, 1) ? pair[0] : pair[1];
    const unsigned other = bit(s, 1) ? pair[1] : pair[0];
    const unsigned comb = (bit(s, 2) ? other - kept : other + kept) & 3;
    y = y << 4 | (bit(s, 0) ? kept * 4 + comb : comb * 4 + kept);
  }
  const unsigned d = digit[(s >> 1) & 3];
  const unsigned next = (bit(s, 0) ? s - d : s + d) & 15;
  return static_cast<uint16_t>(y | next << 8);
}

// Nibble s of next[x]: the state after input x in state s.
void packNextStates(const uint16_t (&steps)[16][256], uint64_t (&next)[256]) {
  for (unsigned x = 0; x < 256; ++x) {
    next[x] = 0;
    for (unsigned s = 0; s < 16; ++s) next[x] |= static_cast<uint64_t>(steps[s][x] >> 8) << (4 * s);
  }
}

CipherTables buildTables() {
  CipherTables t{};
  for (unsigned k = 0; k < 16; ++k) {
    for (unsigned x = 0; x < 256; ++x) {
      unsigned y = 0;
      for (unsigned i = 0; i < 8; ++i) y |= bit(x, i) << kBitTargets[k][i];
      t.permute[k][x] = static_cast<uint8_t>(y);
      t.unpermute[k][y] = static_cast<uint8_t>(x);
    }
  }
  // Both state machines are one-to-one on the byte for every state, so inverting the tables
  // gives the undo step, which advances the state from the restored input.
  for (unsigned s = 0; s < 16; ++s) {
    for (unsigned x = 0; x < 256; ++x) {
      const uint16_t nibble = nibbleMixStep(s, x);
      t.nibbleMix[s][x] = nibble;
      t.nibbleUnmix[s][nibble & 0xFF] = static_cast<uint16_t>(x | (nibble & 0xFF00));
      const uint16_t pair = pairMixStep(s, x);
      t.pairMix[s][x] = pair;
      t.pairUnmix[s][pair & 0xFF] = static_cast<uint16_t>(x | (pair & 0xFF00));
    }
  }
  packNextStates(t.nibbleMix, t.nibbleMixNext);
  packNextStates(t.nibbleUnmix, t.nibbleUnmixNext);
  packNextStates(t.pairMix, t.pairMixNext);
  packNextStates(t.pairUnmix, t.pairUnmixNext);
  return t;
}

// Runs a byte-to-byte state machine of kind 8 or 9 starting in state r. The state carried from
// byte to byte costs a shift and a mask; the output's load is off that chain.
void runStateMachine(const uint16_t (&steps)[16][256], const uint64_t (&next)[256], unsigned r,
                     const uint8_t* in, size_t n, uint8_t* out) {
  unsigned s = r;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t x = in[i];
    out[i] = static_cast<uint8_t>(steps[s][x]);
    s = static_cast<unsigned>(next[x] >> (4 * s)) & 15;
  }
}

// Kind 5: every group of b bytes keeps its first byte; the others become differences to it
// (sign -1) or are restored from them (sign +1).
void groupDifferences(unsigned r, int sign, const uint8_t* in, size_t n, uint8_t* out) {
  const size_t group = size_t{2} << r;
  for (size_t start = 0; start < n; start += group) {
    const size_t end = std::min(n, start + group);
    const uint8_t first = in[start];
    const auto delta = static_cast<uint8_t>(sign * first);
    out[start] = first;
    for (size_t i = start + 1; i < end; ++i) out[i] = static_cast<uint8_t>(in[i] + delta);
  }
}

// out[i] = op(in[i], i mod 256) over distinct buffers. Runs of sixteen bytes with a fixed count
// let the compiler turn them into vector code.
template <typename Op>
void mapApart(const uint8_t* __restrict in, size_t n, uint8_t* __restrict out, Op op) {
  constexpr size_t kRun = 16;
  size_t i = 0;
  for (; i + kRun <= n; i += kRun) {
    const auto base = static_cast<uint8_t>(i);
    for (size_t l = 0; l < kRun; ++l) out[i + l] = op(in[i + l], static_cast<uint8_t>(base + l));
  }
  for (; i < n; ++i) out[i] = op(in[i], static_cast<uint8_t>(i));
}

// The same in place, with one pointer so that nothing is left for the compiler to alias.
template <typename Op>
void mapInPlace(uint8_t* bytes, size_t n, Op op) {
  constexpr size_t kRun = 16;
  size_t i = 0;
  for (; i + kRun <= n; i += kRun) {
    const auto base = static_cast<uint8_t>(i);
    for (size_t l = 0; l < kRun; ++l)
      bytes[i + l] = op(bytes[i + l], static_cast<uint8_t>(base + l));
  }
  for (; i < n; ++i) bytes[i] = op(bytes[i], static_cast<uint8_t>(i));
}

template <typename Op>
void mapBytes(const uint8_t* in, size_t n, uint8_t* out, Op op) {
  if (in == out)
    mapInPlace(out, n, op);
  else
    mapApart(in, n, out, op);
}

// Kinds 0, 1 and 10 share a key byte that starts at 17r + 16.
uint8_t keyStart(unsigned r) { return static_cast<uint8_t>(17 * r + 16); }

}  // namespace

const CipherTables& cipherTables() {
  static const CipherTables tables = buildTables();
  return tables;
}

namespace {

void forwardLayer(int kind, unsigned param, const uint8_t* in, size_t n, uint8_t* out) {
  const CipherTables& t = cipherTables();
  const uint8_t k = keyStart(param);
  switch (kind) {
    case 0:
      mapBytes(in, n, out, [k](uint8_t x, uint8_t i) { return static_cast<uint8_t>(x ^ (k + i)); });
      break;
    case 1:
      mapBytes(in, n, out, [k](uint8_t x, uint8_t i) { return static_cast<uint8_t>(x + k + i); });
      break;
    case 2:
      mapBytes(in, n, out, [](uint8_t x, uint8_t) { return static_cast<uint8_t>(~x); });
      break;
    case 3:
      mapBytes(in, n, out, [param](uint8_t x, uint8_t i) { return rotateRight(x, param + i); });
      break;
    case 4:
      if (in == out)
        std::reverse(out, out + n);
      else
        std::reverse_copy(in, in + n, out);
      break;
    case 5:
      groupDifferences(param, -1, in, n, out);
      break;
    case 6:
      for (size_t i = 0; i < n; ++i) out[i] = t.permute[(param + i) & 15][in[i]];
      break;
    case 8:
      runStateMachine(t.nibbleMix, t.nibbleMixNext, param, in, n, out);
      break;
    case 9:
      runStateMachine(t.pairMix, t.pairMixNext, param, in, n, out);
      break;
    case 10:
      mapBytes(in, n, out, [k](uint8_t x, uint8_t i) {
        const auto key = static_cast<uint8_t>(k + 2 * i);
        return static_cast<uint8_t>((x ^ key) + key + 1);
      });
      break;
    case 11:
      mapBytes(in, n, out, [](uint8_t x, uint8_t i) { return static_cast<uint8_t>(~x - i); });
      break;
    default:  // kind 7: the bytes pass unchanged
      if (in != out) std::copy_n(in, n, out);
      break;
  }
}

}  // namespace

void applyLayer(int kind, int r, const uint8_t* in, size_t n, uint8_t* out) {
  const auto param = static_cast<unsigned>(r) & 15;
  forwardLayer(kind, param, in, n, out);
  out[n] = static_cast<uint8_t>((kind & 15) << 4 | param);
}

void undoLayer(uint8_t tag, const uint8_t* in, size_t n, uint8_t* out) {
  const CipherTables& t = cipherTables();
  const unsigned param = tag & 15;
  const uint8_t k = keyStart(param);
  switch (tag >> 4) {
    case 0:
    case 2:
    case 4:
      forwardLayer(tag >> 4, param, in, n, out);  // their own inverses
      break;
    case 1:
      mapBytes(in, n, out, [k](uint8_t x, uint8_t i) { return static_cast<uint8_t>(x - k - i); });
      break;
    case 3:
      mapBytes(in, n, out, [param](uint8_t x, uint8_t i) { return rotateLeft(x, param + i); });
      break;
    case 5:
      groupDifferences(param, 1, in, n, out);
      break;
    case 6:
      for (size_t i = 0; i < n; ++i) out[i] = t.unpermute[(param + i) & 15][in[i]];
      break;
    case 8:
      runStateMachine(t.nibbleUnmix, t.nibbleUnmixNext, param, in, n, out);
      break;
    case 9:
      runStateMachine(t.pairUnmix, t.pairUnmixNext, param, in, n, out);
      break;
    case 10:
      mapBytes(in, n, out, [k](uint8_t x, uint8_t i) {
        const auto key = static_cast<uint8_t>(k + 2 * i);
        return static_cast<uint8_t>((x - 1 - key) ^ key);
      });
      break;
    case 11:
      mapBytes(in, n, out, [](uint8_t x, uint8_t i) { return static_cast<uint8_t>(~(x + i)); });
      break;
    default:  // kind 7, and the kinds 12 to 15 that only garbage can hold
      if (in != out) std::copy_n(in, n, out);
      break;
  }
}

}  // namespace murl::cipher
