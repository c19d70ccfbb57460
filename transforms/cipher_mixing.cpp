// The key mixing step: every byte is mixed with the key strings at a moving key index j, with its
// position and with the two bytes mixed before it.
#include <algorithm>
#include <numeric>

#include "transforms/cipher_parts.h"
#include "transforms/cipher_unmix_wide.h"

namespace murl::cipher {

// Everything of one byte's mixing that depends on j and on the byte index mod 4 only: the core
// (a bit permutation between two key-dependent operations), the rotation, and the key index's
// part of the position term. The byte index's own part of the position term and the chaining
// are applied by the loops.
struct KeyMixer::Phase {
  uint8_t core;      // j mod 5
  uint8_t perm;      // bit permutation index
  uint8_t term;      // added (XORed for core 2) after the permutation
  uint8_t rotation;  // right rotation, 1 to 7
  bool negate;       // the position formula subtracts v
  uint8_t constant;  // the key index's part of the position formula

  uint8_t forward(uint8_t x) const {
    const auto& perms = cipherTables().permute[perm];
    uint8_t v = 0;
    switch (core) {
      case 0:
        v = static_cast<uint8_t>(perms[x ^ 0x55] + term);
        break;
      case 1:
        v = static_cast<uint8_t>(perms[static_cast<uint8_t>(~x)] + term);
        break;
      case 2:
        v = perms[static_cast<uint8_t>(x + 0x80)] ^ term;
        break;
      case 3:
        v = static_cast<uint8_t>(perms[static_cast<uint8_t>(x + 1)] + term);
        break;
      default:
        v = rotateRight(perms[static_cast<uint8_t>(x - 1)], 1);
        break;
    }
    v = rotateRight(v, rotation);
    return static_cast<uint8_t>(negate ? constant - v : constant + v);
  }

  uint8_t inverse(uint8_t w) const {
    const auto& unperms = cipherTables().unpermute[perm];
    uint8_t v = static_cast<uint8_t>(negate ? constant - w : w - constant);
    v = rotateLeft(v, rotation);
    switch (core) {
      case 0:
        return unperms[static_cast<uint8_t>(v - term)] ^ 0x55;
      case 1:
        return static_cast<uint8_t>(~unperms[static_cast<uint8_t>(v - term)]);
      case 2:
        return static_cast<uint8_t>(unperms[v ^ term] - 0x80);
      case 3:
        return static_cast<uint8_t>(unperms[static_cast<uint8_t>(v - term)] - 1);
      default:
        return static_cast<uint8_t>(unperms[rotateLeft(v, 1)] + 1);
    }
  }
};

namespace {

// Rotation amounts for c = 0 to 15; c below 2 counts as 2.
constexpr uint8_t kRotation[16] = {1, 1, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1};

// The chaining adds (b << s) - (a >> s) to byte i for even s and subtracts it for odd s; the
// signed shifts come from tables, so the serial encipher loop has no variable shifts.
struct ChainTables {
  uint8_t fromEarlier[8][256];  // +-(b << s), the byte two places before
  uint8_t fromLast[8][256];     // -+(a >> s), the byte one place before
};

ChainTables buildChainTables() {
  ChainTables t{};
  for (unsigned s = 0; s < 8; ++s) {
    for (unsigned v = 0; v < 256; ++v) {
      const auto up = static_cast<uint8_t>(v << s);
      const auto down = static_cast<uint8_t>(v >> s);
      t.fromEarlier[s][v] = static_cast<uint8_t>(s % 2 == 0 ? up : -up);
      t.fromLast[s][v] = static_cast<uint8_t>(s % 2 == 0 ? -down : down);
    }
  }
  return t;
}

const ChainTables& chainTables() {
  static const ChainTables tables = buildChainTables();
  return tables;
}

// The same by arithmetic: shorter latency on the serial encipher path than two dependent loads.
inline uint8_t chainDeltaByShifts(size_t i, uint8_t a, uint8_t b) {
  const unsigned s = static_cast<unsigned>(i + a - b) & 7;
  const auto d = static_cast<uint8_t>(static_cast<uint8_t>(b << s) - (a >> s));
  const auto odd = static_cast<uint8_t>(-(s & 1));  // odd shifts subtract: -d = (d ^ ~0) + 1
  return static_cast<uint8_t>((d ^ odd) - odd);
}

// What the chaining adds to byte i, from the two bytes mixed before it.
inline uint8_t chainDelta(const ChainTables& t, size_t i, uint8_t a, uint8_t b) {
  const unsigned s = static_cast<unsigned>(i + a - b) & 7;
  return static_cast<uint8_t>(t.fromEarlier[s][b] + t.fromLast[s][a]);
}

// Calls body(i, j) for i = from to n - 1, with the key index j = (start + i) mod length, without
// a wrap test per byte.
template <typename Body>
inline void forEachByte(size_t length, size_t start, size_t from, size_t n, Body body) {
  size_t j = (start + from) % length;
  for (size_t i = from; i < n; j = 0) {
    const size_t end = std::min(n, i + (length - j));
    for (; i < end; ++i, ++j) body(i, j);
  }
}

}  // namespace

KeyMixer::KeyMixer(const uint8_t* p, const uint8_t* q, size_t length, size_t expectedBytes)
    : p_(p),
      q_(q),
      length_(length),
      useTables_(expectedBytes >= kTableMinBytes),
      period_(std::lcm(length, size_t{256})) {
  std::fill(table_.end() - 3, table_.end(), uint8_t{0});
  for (size_t j = 0; j < length_; ++j) {
    // The position formula is chosen by the advanced key index mod 4: even ones add the high
    // nibble of the byte index, odd ones subtract its low nibble.
    const size_t next = j + 1 == length_ ? 0 : j + 1;
    hiMask_[j] = next % 2 == 0 ? 0xF0 : 0;
    loMask_[j] = next % 2 == 0 ? 0 : 0x0F;
  }
}

KeyMixer::Phase KeyMixer::phase(size_t j, size_t iMod4) const {
  const size_t last = length_ - 1;
  const unsigned pc = p_[j], qc = q_[j];
  const unsigned pn = p_[j < last ? j + 1 : 0], qn = q_[j < last ? j + 1 : 0];
  const unsigned pp = p_[j > 0 ? j - 1 : last], qp = q_[j > 0 ? j - 1 : last];
  Phase ph{};
  ph.core = static_cast<uint8_t>(j % 5);
  switch (ph.core) {
    case 0:
      ph.perm = (pc + qn) & 15;
      ph.term = static_cast<uint8_t>(-(qp + pn) - 1);
      break;
    case 1:
      ph.perm = (qp + pn) & 15;
      ph.term = static_cast<uint8_t>(qc + pp + 1);
      break;
    case 2:
      ph.perm = (qc + pp) & 15;
      ph.term = static_cast<uint8_t>(~(pc + qn));
      break;
    case 3:
      ph.perm = (qn * pp) & 15;
      ph.term = static_cast<uint8_t>(pn * qp);
      break;
    default:
      ph.perm = j & 15;
      break;
  }
  unsigned c = 0;
  switch ((iMod4 + 3) & 3) {  // (i - 1) mod 4
    case 0:
      c = qp + pn;
      break;
    case 1:
      c = qc + pp;
      break;
    case 2:
      c = pc + qn;
      break;
    default:
      c = qc + pc;
      break;
  }
  ph.rotation = kRotation[c & 15];
  const size_t next = j + 1 == length_ ? 0 : j + 1;
  const auto j8 = static_cast<uint8_t>(next);
  switch (next % 4) {
    case 0:
      ph.constant = static_cast<uint8_t>(-(j8 & 0x0F));
      break;
    case 1:
      ph.constant = static_cast<uint8_t>((j8 & 0xF0) + 1);
      break;
    case 2:
      ph.constant = static_cast<uint8_t>(-(j8 & 0x0F) + 2);
      break;
    default:
      ph.constant = static_cast<uint8_t>((j8 & 0xF0) + 3);
      break;
  }
  ph.negate = next % 4 == 1 || next % 4 == 2;
  return ph;
}

void KeyMixer::buildTable(bool inverse) {
  const int wanted = inverse ? 1 : 0;
  if (builtTable_ == wanted) return;
  for (size_t j = 0; j < length_; ++j) {
    for (size_t m = 0; m < 4; ++m) {
      const Phase ph = phase(j, m);
      uint8_t* row = &table_[(j * 4 + m) * 256];
      for (unsigned x = 0; x < 256; ++x)
        row[x] =
            inverse ? ph.inverse(static_cast<uint8_t>(x)) : ph.forward(static_cast<uint8_t>(x));
    }
  }
  builtTable_ = wanted;
}

// The first two bytes have no chaining; the loops start with them apart so that the per-byte
// bodies need no test.
constexpr size_t kUnchained = 2;

// The byte index's part of the position term.
inline uint8_t indexTerm(size_t i, uint8_t hiMask, uint8_t loMask) {
  return static_cast<uint8_t>((i & hiMask) - (i & loMask));
}

template <bool kTables, bool kInverse>
uint8_t KeyMixer::mapped(size_t i, size_t j, uint8_t x) const {
  if constexpr (kTables) {
    return table_[(j * 4 + (i & 3)) * 256 + x];
  } else {
    const Phase ph = phase(j, i & 3);
    return kInverse ? ph.inverse(x) : ph.forward(x);
  }
}

template <bool kTables>
void KeyMixer::mixWith(size_t start, const uint8_t* in, size_t n, uint8_t* out) {
  // The loop is serial: every byte's chaining needs the byte mixed just before it.
  uint8_t a = 0, b = 0;  // the bytes mixed one and two places before
  auto mixOne = [&](size_t i, size_t j, uint8_t delta) {
    const auto y = static_cast<uint8_t>(mapped<kTables, false>(i, j, in[i]) +
                                        indexTerm(i, hiMask_[j], loMask_[j]) + delta);
    out[i] = y;
    b = a;
    a = y;
  };
  const size_t head = std::min(n, kUnchained);
  forEachByte(length_, start, 0, head, [&](size_t i, size_t j) { mixOne(i, j, 0); });
  forEachByte(length_, start, head, n,
              [&](size_t i, size_t j) { mixOne(i, j, chainDeltaByShifts(i, a, b)); });
}

template <bool kTables>
void KeyMixer::unmixWith(size_t start, const uint8_t* in, size_t n, uint8_t* out) {
  // The chaining reads the enciphered bytes, so every byte is undone on its own. The two bytes
  // before are carried in registers rather than read back from the input, and each byte is read
  // before its place is written: in place works.
  const ChainTables& chain = chainTables();
  uint8_t a = 0, b = 0;
  auto unmixOne = [&](size_t i, size_t j, uint8_t delta) {
    const uint8_t x = in[i];
    const auto w = static_cast<uint8_t>(x - delta - indexTerm(i, hiMask_[j], loMask_[j]));
    out[i] = mapped<kTables, true>(i, j, w);
    b = a;
    a = x;
  };
  const size_t head = std::min(n, kUnchained);
  forEachByte(length_, start, 0, head, [&](size_t i, size_t j) { unmixOne(i, j, 0); });
  forEachByte(length_, start, head, n,
              [&](size_t i, size_t j) { unmixOne(i, j, chainDelta(chain, i, a, b)); });
}

void KeyMixer::buildPositions(size_t start) {
  // The period is a multiple of 256 and of the key length, so position p stands for every byte
  // index i = p mod period: same key index, same i mod 4, same i mod 256.
  size_t j = start % length_;
  for (size_t p = 0; p < period_; ++p) {
    rowAt_[p] = static_cast<uint16_t>((j * 4 + (p & 3)) * 256);
    termAt_[p] = indexTerm(p, hiMask_[j], loMask_[j]);
    j = j + 1 == length_ ? 0 : j + 1;
  }
}

void KeyMixer::unmixByPositions(size_t start, const uint8_t* in, size_t n, uint8_t* out) {
  buildPositions(start);
  // From the end down, so that in place the two bytes a byte reads before it are still
  // unwritten; the first two, which read no others, go last.
  size_t narrowTo = n;
  if (allowWide_ && n >= 2 * kWideGroup && wideUnmixAvailable()) {
    const size_t wideTo = n / kWideGroup * kWideGroup;
    unmixPositions(in, wideTo, n, out);
    unmixWide({rowAt_.data(), termAt_.data(), table_.data(), period_}, in, kWideGroup, wideTo, out);
    narrowTo = kWideGroup;
  }
  unmixPositions(in, kUnchained, narrowTo, out);
  for (size_t i = 0; i < kUnchained; ++i)
    out[i] = table_[rowAt_[i] + static_cast<uint8_t>(in[i] - termAt_[i])];
}

void KeyMixer::unmixPositions(const uint8_t* in, size_t from, size_t to, uint8_t* out) const {
  if (from >= to) return;
  const ChainTables& chain = chainTables();
  const uint8_t* table = table_.data();
  // No serial dependency: every byte reads only enciphered bytes, so the loop is pure throughput.
  for (size_t base = (to - 1) / period_ * period_;; base -= period_) {
    const uint8_t* src = in + base;
    uint8_t* dst = out + base;
    const size_t low = from > base ? from - base : 0;
    for (size_t p = std::min(period_, to - base); p-- > low;) {
      const uint8_t* x = src + p;
      const uint8_t a = x[-1], b = x[-2];
      const unsigned s = static_cast<unsigned>(p + a - b) & 7;
      const auto delta = static_cast<uint8_t>(chain.fromEarlier[s][b] + chain.fromLast[s][a]);
      dst[p] = table[rowAt_[p] + static_cast<uint8_t>(x[0] - delta - termAt_[p])];
    }
    if (base <= from) break;
  }
}

void KeyMixer::mix(size_t start, const uint8_t* in, size_t n, uint8_t* out) {
  if (useTables_) {
    buildTable(false);
    mixWith<true>(start, in, n, out);
  } else {
    mixWith<false>(start, in, n, out);
  }
}

void KeyMixer::unmix(size_t start, const uint8_t* in, size_t n, uint8_t* out) {
  if (useTables_) {
    buildTable(true);
    // Building the positions costs about as much as undoing a period's worth of bytes.
    if (n >= 4 * period_)
      unmixByPositions(start, in, n, out);
    else
      unmixWith<true>(start, in, n, out);
  } else {
    unmixWith<false>(start, in, n, out);
  }
}

}  // namespace murl::cipher
