#pragma once
// The building blocks of the cipher, visible for tests and benchmarks: the twelve layer kinds,
// the key mixing step, the round order and the header form's key strings.
#include <array>
#include <cstddef>
#include <cstdint>

#include "transforms/password.h"
#include "transforms/random_source.h"

namespace murl::cipher {

constexpr int kRounds = 16;
constexpr int kLayerKinds = 12;
constexpr size_t kHeaderPlainSize = 52;
constexpr size_t kHeaderSize = kHeaderPlainSize + kRounds;

// Fixed tables built once: the sixteen bit permutations and their inverses, and the state
// machines of the nibble (kind 8) and two-bit (kind 9) layers as (output | next state << 8).
// Each machine's next states are also packed per input byte, nibble s for state s, so a step
// takes its next state from a register instead of a load that waits for the state before.
struct CipherTables {
  uint8_t permute[16][256];
  uint8_t unpermute[16][256];
  uint16_t nibbleMix[16][256];
  uint16_t nibbleUnmix[16][256];
  uint16_t pairMix[16][256];
  uint16_t pairUnmix[16][256];
  uint64_t nibbleMixNext[256];
  uint64_t nibbleUnmixNext[256];
  uint64_t pairMixNext[256];
  uint64_t pairUnmixNext[256];
};
const CipherTables& cipherTables();

inline uint8_t rotateRight(uint8_t x, unsigned c) {
  c &= 7;
  return static_cast<uint8_t>((x >> c) | (x << ((8 - c) & 7)));
}
inline uint8_t rotateLeft(uint8_t x, unsigned c) { return rotateRight(x, 8 - (c & 7)); }

// Writes the n transformed bytes and the tag (kind << 4 | r) to out[0..n]. Here and below, out
// is either in itself (the work is done in place) or a buffer that does not overlap it.
void applyLayer(int kind, int r, const uint8_t* in, size_t n, uint8_t* out);
// Undoes the layer named by the tag: n bytes from in to out. Kinds 12 to 15 never come from the
// encipher side; they pass the bytes through like kind 7.
void undoLayer(uint8_t tag, const uint8_t* in, size_t n, uint8_t* out);

// The key mixing step and its inverse under one pair of key strings (P', Q') of length 1 to 32.
// Long inputs go through 256-entry tables per (key index, byte index mod 4), built once per
// direction for the life of the mixer; short ones are mixed byte by byte. Both directions work
// in place as well.
class KeyMixer {
 public:
  static constexpr size_t kMaxKeyLength = 32;
  static constexpr size_t kTableMinBytes = 1024;

  // expectedBytes: the size of the inputs to come; tables pay off from kTableMinBytes on.
  KeyMixer(const uint8_t* p, const uint8_t* q, size_t length, size_t expectedBytes);

  void mix(size_t start, const uint8_t* in, size_t n, uint8_t* out);
  void unmix(size_t start, const uint8_t* in, size_t n, uint8_t* out);
  // Whether long undos may use the processor's vector unit where it has one (the default); the
  // bytes are the same either way.
  void allowWide(bool allowed) { allowWide_ = allowed; }

 private:
  struct Phase;
  Phase phase(size_t j, size_t iMod4) const;
  void buildTable(bool inverse);
  template <bool kTables, bool kInverse>
  uint8_t mapped(size_t i, size_t j, uint8_t x) const;
  template <bool kTables>
  void mixWith(size_t start, const uint8_t* in, size_t n, uint8_t* out);
  template <bool kTables>
  void unmixWith(size_t start, const uint8_t* in, size_t n, uint8_t* out);
  void buildPositions(size_t start);
  void unmixByPositions(size_t start, const uint8_t* in, size_t n, uint8_t* out);
  // Undoes bytes [from, to) from the top down (from at least 2), by the positions built.
  void unmixPositions(const uint8_t* in, size_t from, size_t to, uint8_t* out) const;

  const uint8_t* p_;
  const uint8_t* q_;
  size_t length_;
  bool useTables_;
  bool allowWide_ = true;
  int builtTable_ = -1;                          // -1 none, 0 forward, 1 inverse
  std::array<uint8_t, kMaxKeyLength> hiMask_{};  // the byte index's part of the position term
  std::array<uint8_t, kMaxKeyLength> loMask_{};
  // Three bytes of slack: the vector undo reads each entry as the low byte of a 32-bit word.
  std::array<uint8_t, kMaxKeyLength * 4 * 256 + 3> table_;
  // The undo runs through positions that repeat every lcm(length, 256) bytes: per position the
  // table row and the byte index's part of the position term, built once per call.
  static constexpr size_t kMaxPeriod = kMaxKeyLength * 256;
  size_t period_;
  std::array<uint16_t, kMaxPeriod> rowAt_;
  std::array<uint8_t, kMaxPeriod> termAt_;
};

// Sixteen distinct values 0 to 15 in the order the random source first yields them.
std::array<uint8_t, kRounds> drawRoundOrder(RandomSource& random);
// Values 11 to 15 of the round order all select kind 11.
inline int layerKindOf(uint8_t orderValue) { return orderValue <= 10 ? orderValue : 11; }
// The key mixing start index of round t: P[t] widened as a signed byte, read unsigned, mod L.
size_t roundStart(const Password& password, int round);

// The header form's key strings: D the ten decimal digits of K, E bytes of products with K.
struct HeaderKeys {
  std::array<uint8_t, 10> d;
  std::array<uint8_t, 10> e;
};
HeaderKeys headerKeys(uint32_t key);

}  // namespace murl::cipher
