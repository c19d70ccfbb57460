#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/random_bytes.h"
#include "transforms/cipher_parts.h"

namespace murl::cipher {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;

int mod(int v, int m) { return ((v % m) + m) % m; }

int ror8(int v, int c) { return ((v >> c) | (v << (8 - c))) & 0xFF; }

// The key mixing step written out plainly, byte by byte in int arithmetic, as a reference.
Bytes referenceMix(const Bytes& p, const Bytes& q, int start, const Bytes& x) {
  const int len = static_cast<int>(p.size());
  const auto& perm = cipherTables().permute;
  Bytes y(x.size());
  int j = start;
  for (int i = 0; i < static_cast<int>(x.size()); ++i) {
    const int pc = p[j], qc = q[j];
    const int pn = j < len - 1 ? p[j + 1] : p[0], qn = j < len - 1 ? q[j + 1] : q[0];
    const int pp = j > 0 ? p[j - 1] : p[len - 1], qp = j > 0 ? q[j - 1] : q[len - 1];
    int v = 0;
    switch (j % 5) {
      case 0:
        v = perm[mod(pc + qn, 16)][x[i] ^ 0x55] - (qp + pn) - 1;
        break;
      case 1:
        v = perm[mod(qp + pn, 16)][255 - x[i]] + qc + pp + 1;
        break;
      case 2:
        v = perm[mod(qc + pp, 16)][mod(x[i] + 0x80, 256)] ^ (255 - mod(pc + qn, 256));
        break;
      case 3:
        v = perm[mod(qn * pp, 16)][mod(x[i] + 1, 256)] + pn * qp;
        break;
      case 4:
        v = ror8(perm[j % 16][mod(x[i] - 1, 256)], 1);
        break;
    }
    v = mod(v, 256);
    int c = 0;
    switch (mod(i - 1, 4)) {
      case 0:
        c = mod(qp + pn, 16);
        break;
      case 1:
        c = mod(qc + pp, 16);
        break;
      case 2:
        c = mod(pc + qn, 16);
        break;
      case 3:
        c = mod(qc + pc, 16);
        break;
    }
    if (c < 2) c = 2;
    v = ror8(v, c <= 8 ? c - 1 : 16 - c);
    j = j + 1 == len ? 0 : j + 1;
    const int i8 = i % 256, j8 = j;
    int out = 0;
    switch (j % 4) {
      case 0:
        out = (i8 & 0xF0) - (j8 & 0x0F) + v;
        break;
      case 1:
        out = (j8 & 0xF0) - (i8 & 0x0F) - v + 1;
        break;
      case 2:
        out = (i8 & 0xF0) - (j8 & 0x0F) - v + 2;
        break;
      case 3:
        out = (j8 & 0xF0) - (i8 & 0x0F) + v + 3;
        break;
    }
    if (i >= 2) {
      const int a = y[i - 1], b = y[i - 2], s = mod(i + a - b, 8);
      const int shifted = (b << s) & 0xFF;
      out += s % 2 == 0 ? shifted - (a >> s) : (a >> s) - shifted;
    }
    y[i] = static_cast<uint8_t>(mod(out, 256));
  }
  return y;
}

struct Keys {
  Bytes p, q;
};

Keys randomKeys(size_t length, std::mt19937& gen) {
  return {randomBytes(length, gen), randomBytes(length, gen)};
}

TEST(KeyMixing, MatchesAPlainByteByByteReferenceOnBothPaths) {
  std::mt19937 gen(2);
  for (size_t length : {1u, 2u, 5u, 10u, 16u, 17u, 31u, 32u}) {
    const Keys keys = randomKeys(length, gen);
    for (size_t expected : {size_t{64}, KeyMixer::kTableMinBytes}) {
      KeyMixer mixer(keys.p.data(), keys.q.data(), length, expected);
      for (size_t start = 0; start < length; ++start) {
        const Bytes x = randomBytes(600, gen);
        Bytes y(x.size()), back(x.size());
        mixer.mix(start, x.data(), x.size(), y.data());
        ASSERT_EQ(y, referenceMix(keys.p, keys.q, static_cast<int>(start), x))
            << "length " << length << " start " << start << " expected " << expected;
        mixer.unmix(start, y.data(), y.size(), back.data());
        ASSERT_EQ(back, x) << "length " << length << " start " << start;
      }
    }
  }
}

TEST(KeyMixing, TableAndByteByBytePathsAgreeOnLongInputs) {
  std::mt19937 gen(3);
  const Keys keys = randomKeys(23, gen);
  const Bytes x = randomBytes(70000, gen);
  KeyMixer direct(keys.p.data(), keys.q.data(), 23, 1);
  KeyMixer tables(keys.p.data(), keys.q.data(), 23, x.size());
  Bytes a(x.size()), b(x.size());
  direct.mix(7, x.data(), x.size(), a.data());
  tables.mix(7, x.data(), x.size(), b.data());
  EXPECT_EQ(a, b);
  direct.unmix(7, a.data(), a.size(), b.data());
  EXPECT_EQ(b, x);
}

TEST(KeyMixing, LongUndoByPositionsRestoresTheInput) {
  // Long inputs are undone through per-position tables whose period depends on the key length.
  std::mt19937 gen(4);
  const Bytes x = randomBytes(70000, gen);
  for (size_t length : {10u, 16u, 23u, 31u, 32u}) {
    const Keys keys = randomKeys(length, gen);
    KeyMixer direct(keys.p.data(), keys.q.data(), length, 1);
    KeyMixer tables(keys.p.data(), keys.q.data(), length, x.size());
    for (size_t start : {size_t{0}, size_t{5}, length - 1}) {
      for (size_t n : {x.size(), size_t{65537}}) {
        Bytes y(n), back(n);
        direct.mix(start, x.data(), n, y.data());
        tables.unmix(start, y.data(), n, back.data());
        ASSERT_TRUE(std::equal(back.begin(), back.end(), x.begin()))
            << "length " << length << " start " << start << " n " << n;
      }
    }
  }
}

TEST(KeyMixing, ChainingStartsAtTheThirdByte) {
  std::mt19937 gen(4);
  const Keys keys = randomKeys(16, gen);
  KeyMixer mixer(keys.p.data(), keys.q.data(), 16, 64);
  int thirdChanged = 0;
  for (int trial = 0; trial < 50; ++trial) {
    Bytes x = randomBytes(8, gen);
    Bytes y(8), y2(8);
    mixer.mix(3, x.data(), x.size(), y.data());
    x[0] ^= static_cast<uint8_t>(1 + gen() % 255);
    mixer.mix(3, x.data(), x.size(), y2.data());
    EXPECT_NE(y[0], y2[0]);
    EXPECT_EQ(y[1], y2[1]);  // the second byte has no chaining to pass the change on
    thirdChanged += y[2] != y2[2];
  }
  EXPECT_GT(thirdChanged, 25);
}

TEST(HeaderKeys, DecimalDigitsAndProducts) {
  const HeaderKeys small = headerKeys(4096);
  EXPECT_EQ(small.d, (std::array<uint8_t, 10>{0, 0, 0, 0, 0, 0, 4, 0, 9, 6}));
  EXPECT_EQ(small.e, (std::array<uint8_t, 10>{0, 0, 0, 0, 0, 0, 0x90, 0, 0, 0}));
  const HeaderKeys top = headerKeys(0xFFFFFFFF);
  EXPECT_EQ(top.d, (std::array<uint8_t, 10>{4, 2, 9, 4, 9, 6, 7, 2, 9, 5}));
  EXPECT_EQ(top.e,
            (std::array<uint8_t, 10>{0xFF, 0xFF, 0xFF, 0xF8, 0xFF, 0xFF, 0xFF, 0xF5, 0xFF, 0xFF}));
  const HeaderKeys mixed = headerKeys(1234567890);
  EXPECT_EQ(mixed.e,
            (std::array<uint8_t, 10>{0x73, 0x58, 0x10, 0x90, 0xDF, 0x08, 0x27, 0xEC, 0x4C, 0xDC}));
}

}  // namespace
}  // namespace murl::cipher
