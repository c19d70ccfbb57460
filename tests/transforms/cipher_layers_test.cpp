#include <gtest/gtest.h>

#include <vector>

#include "support/random_bytes.h"
#include "transforms/cipher_parts.h"

namespace murl::cipher {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;

Bytes apply(int kind, int r, const Bytes& in) {
  Bytes out(in.size() + 1);
  applyLayer(kind, r, in.data(), in.size(), out.data());
  return out;
}

TEST(CipherLayers, KnownExamples) {
  struct Example {
    int kind, r;
    Bytes in, out;
  };
  const Example examples[] = {
      {0, 0, {0x00, 0x00, 0x00}, {0x10, 0x11, 0x12, 0x00}},
      {1, 1, {0x00, 0x00, 0x00}, {0x21, 0x22, 0x23, 0x11}},
      {3, 1, {0x01, 0x01, 0x01}, {0x80, 0x40, 0x20, 0x31}},
      {4, 2, {0x61, 0x62, 0x63}, {0x63, 0x62, 0x61, 0x42}},
      {5, 0, {0x05, 0x07, 0x09}, {0x05, 0x02, 0x09, 0x50}},
      {6, 0, {0x01, 0x01}, {0x80, 0x80, 0x60}},
      {8, 0, {0x12}, {0x31, 0x80}},
      {9, 0, {0x12}, {0x5A, 0x90}},
      {10, 0, {0x00, 0x00}, {0x21, 0x25, 0xA0}},
      {11, 3, {0x00, 0x00, 0x00}, {0xFF, 0xFE, 0xFD, 0xB3}},
  };
  for (const Example& e : examples) {
    EXPECT_EQ(apply(e.kind, e.r, e.in), e.out) << "kind " << e.kind;
    Bytes back(e.in.size());
    undoLayer(e.out.back(), e.out.data(), e.in.size(), back.data());
    EXPECT_EQ(back, e.in) << "kind " << e.kind;
  }
}

// Both directions also run in place, with the same result.
TEST(CipherLayers, EveryKindAndParameterUndoesApartAndInPlace) {
  for (size_t n : {0u, 1u, 2u, 3u, 17u, 300u, 70000u}) {
    const Bytes in = randomBytes(n, static_cast<uint32_t>(n));
    for (int kind = 0; kind < kLayerKinds; ++kind) {
      for (int r = 0; r < 16; ++r) {
        const Bytes out = apply(kind, r, in);
        ASSERT_EQ(out.back(), kind << 4 | r);
        Bytes back(n);
        undoLayer(out.back(), out.data(), n, back.data());
        ASSERT_EQ(back, in) << "kind " << kind << " r " << r << " n " << n;
        Bytes place = in;
        place.push_back(0);
        applyLayer(kind, r, place.data(), n, place.data());
        ASSERT_EQ(place, out) << "in place: kind " << kind << " r " << r << " n " << n;
        undoLayer(place.back(), place.data(), n, place.data());
        place.pop_back();
        ASSERT_EQ(place, in) << "undone in place: kind " << kind << " r " << r << " n " << n;
      }
    }
  }
}

TEST(CipherLayers, OnlyTheKindsThatSayTheyIgnoreRIgnoreIt) {
  const Bytes in = randomBytes(64, 3);
  for (int kind = 0; kind < kLayerKinds; ++kind) {
    Bytes a = apply(kind, 0, in), b = apply(kind, 5, in);
    a.pop_back();
    b.pop_back();
    const bool ignoresR = kind == 2 || kind == 4 || kind == 7 || kind == 11;
    EXPECT_EQ(a == b, ignoresR) << "kind " << kind;
    if (kind == 7) {
      EXPECT_EQ(a, in);  // kind 7 passes the bytes on as they are
    }
  }
}

TEST(CipherLayers, GroupsOf65536OnAFullPiece) {
  const size_t n = 0x3FFFF0;
  const Bytes in = randomBytes(n, 15);
  const Bytes out = apply(5, 15, in);
  size_t firsts = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t first = i & ~size_t{0xFFFF};
    if (i == first) {
      ++firsts;
      ASSERT_EQ(out[i], in[i]) << i;
    } else {
      ASSERT_EQ(out[i], static_cast<uint8_t>(in[i] - in[first])) << i;
    }
  }
  EXPECT_EQ(firsts, 64u);  // 63 full groups and one of 65520 bytes
}

// Walks a state machine's (output | next state << 8) table byte by byte from state r.
Bytes walk(const uint16_t (&steps)[16][256], unsigned r, const Bytes& in) {
  Bytes out;
  for (uint8_t x : in) {
    out.push_back(static_cast<uint8_t>(steps[r][x]));
    r = steps[r][x] >> 8;
  }
  return out;
}

// The layers' packed next states follow the machines' tables over long inputs from every start
// state, both ways.
TEST(CipherLayers, StateMachineLayersFollowTheirTables) {
  const CipherTables& t = cipherTables();
  const Bytes in = randomBytes(3000, 9);
  for (unsigned r = 0; r < 16; ++r) {
    for (int kind : {8, 9}) {
      const auto& mix = kind == 8 ? t.nibbleMix : t.pairMix;
      const auto& unmix = kind == 8 ? t.nibbleUnmix : t.pairUnmix;
      Bytes out = apply(kind, static_cast<int>(r), in);
      out.pop_back();
      ASSERT_EQ(out, walk(mix, r, in)) << "kind " << kind << " r " << r;
      Bytes back(in.size());
      undoLayer(static_cast<uint8_t>(kind << 4 | r), in.data(), in.size(), back.data());
      ASSERT_EQ(back, walk(unmix, r, in)) << "undo kind " << kind << " r " << r;
    }
  }
}

TEST(CipherLayers, GarbageTagKindsPassBytesThrough) {
  const Bytes in = randomBytes(33, 12);
  for (int tag = 0xC0; tag <= 0xFF; ++tag) {
    Bytes out(in.size() + 1, 0xEE);
    undoLayer(static_cast<uint8_t>(tag), in.data(), in.size(), out.data());
    EXPECT_EQ(out.back(), 0xEE);
    out.pop_back();
    EXPECT_EQ(out, in);
  }
}

}  // namespace
}  // namespace murl::cipher
