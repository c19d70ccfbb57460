#include "transforms/codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <vector>

#include "platform/byte_order.h"
#include "support/random_bytes.h"
#include "support/stock_zlib.h"

namespace murl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;
using test::textLike;

struct Compressed {
  Bytes stream;
  std::vector<size_t> pieces;  // the length handed to the sink each time
};

// Compresses `data` in input areas of `inputArea` bytes (sync flush each), then finishes with the
// rest, into output areas of `outputArea` bytes.
Compressed compress(const Bytes& data, uint8_t level, size_t inputArea, size_t outputArea) {
  Bytes buffer(outputArea + kCodecAreaSlack);
  Compressor c(buffer);
  EXPECT_TRUE(c.open(level));
  Compressed out;
  CodecSink sink = [&](uint8_t* p, size_t n) {
    out.stream.insert(out.stream.end(), p, p + n);
    out.pieces.push_back(n);
    return true;
  };
  size_t at = 0;
  while (data.size() - at >= inputArea) {
    EXPECT_EQ(c.compress(data.data() + at, inputArea, false, sink), CodecStatus::kOk);
    at += inputArea;
  }
  EXPECT_EQ(c.compress(data.data() + at, data.size() - at, true, sink), CodecStatus::kOk);
  c.close();
  return out;
}

// Inflates `stream` cut into blocks of `blockSize` (the last may be shorter).
CodecStatus decompress(const Bytes& stream, size_t blockSize, Bytes& out, size_t outputArea = 97) {
  Bytes area(outputArea);
  Decompressor d(area);
  EXPECT_TRUE(d.open());
  CodecSink sink = [&](uint8_t* p, size_t n) {
    EXPECT_GT(n, 0u);
    out.insert(out.end(), p, p + n);
    return true;
  };
  for (size_t at = 0; at < stream.size(); at += blockSize) {
    size_t n = std::min(blockSize, stream.size() - at);
    bool last = at + n == stream.size();
    CodecStatus s = d.decompress(stream.data() + at, n, last, sink);
    if (s != CodecStatus::kOk) return s;
  }
  return CodecStatus::kOk;
}

TEST(Codec, HeaderCarriesTheLevelBitsOfEachLevelAndDecodes) {
  const uint8_t kExpected[] = {1, 1, 2, 2, 3, 3, 3};
  Bytes data = textLike(50000, 1);
  for (uint8_t level = 0; level <= 6; ++level) {
    SCOPED_TRACE(level);
    Bytes s = compress(data, level, kCodecArea, 4096).stream;
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[0], 0x78);
    EXPECT_EQ(s[1] >> 6, kExpected[level]);
    EXPECT_EQ(test::stockInflate(s, data.size()), data);
  }
}

TEST(Codec, LowestLevelMatchesLazilyUnlikeZlibsOwnLevelThree) {
  Bytes data = textLike(200000, 2);
  Bytes ours = compress(data, 0, kCodecArea, kCodecArea).stream;
  Bytes fast(compressBound(data.size()));
  uLongf n = fast.size();
  ASSERT_EQ(compress2(fast.data(), &n, data.data(), data.size(), 3), Z_OK);
  fast.resize(n);
  // Same header level, different matcher: the deflate data must differ.
  EXPECT_NE(Bytes(ours.begin() + 2, ours.end()), Bytes(fast.begin() + 2, fast.end()));
}

// Output areas are full except the last and never empty, also when the finish call fills the
// area to its very end; random data does not shrink, so the finish fills many areas.
TEST(Codec, RoundTripsAcrossLevelsAreasAndBlockCuts) {
  Bytes mixed = textLike(70000, 5);
  const Bytes tail = randomBytes(30000, 6);
  mixed.insert(mixed.end(), tail.begin(), tail.end());
  const Bytes noise = randomBytes(20000, 4);
  const size_t total = compress(noise, 6, kCodecArea, kCodecArea).stream.size();
  const struct {
    Bytes data;
    uint8_t level;
    size_t inputArea, outputArea;
  } rows[] = {
      {mixed, 0, 8191, 500},
      {mixed, 3, 8191, 500},
      {mixed, 6, 8191, 500},
      {textLike(3 * 4000, 3), 3, 4000, 1000},  // a multiple of the area: an empty finish
      {{}, 3, 100, 100},                       // nothing at all is a complete stream
      {noise, 6, kCodecArea, 64},
      {noise, 6, kCodecArea, total},
      {noise, 6, kCodecArea, total - 1},
      {noise, 6, kCodecArea, total / 2 + total % 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.data.size()) + " " + std::to_string(row.outputArea));
    Compressed c = compress(row.data, row.level, row.inputArea, row.outputArea);
    EXPECT_EQ(test::stockInflate(c.stream, row.data.size()), row.data);
    ASSERT_FALSE(c.pieces.empty());
    for (size_t i = 0; i + 1 < c.pieces.size(); ++i) EXPECT_EQ(c.pieces[i], row.outputArea);
    EXPECT_GT(c.pieces.back(), 0u);
    for (size_t block : {size_t{1}, size_t{333}, c.stream.size()}) {
      Bytes back;
      ASSERT_EQ(decompress(c.stream, block, back), CodecStatus::kOk);
      EXPECT_EQ(back, row.data);
    }
  }
}

// One whole stream with a sound header and check, ending in the last block given: bytes after
// its end in that block are ignored, and no block may follow the one it ends in.
TEST(Codec, DecompressorTakesOneWholeStreamEndingInTheLastBlock) {
  const Bytes data = textLike(20000, 8);
  const Bytes s = compress(data, 3, kCodecArea, kCodecArea).stream;
  const auto withHeader = [&](uint8_t cmf, uint8_t flg) {
    Bytes t = s;
    const unsigned h = (cmf << 8) | (flg & 0xE0);
    t[0] = cmf;
    t[1] = static_cast<uint8_t>(h + 31 - h % 31);  // a valid header check
    return t;
  };
  const auto followed = [&](size_t padding, size_t more) {
    Bytes t = s;
    t.insert(t.end(), padding, 0xAB);
    t.insert(t.end(), more, 0xCD);
    return t;
  };
  Bytes damaged = s;
  damaged[s.size() - 2] ^= 0x40;  // inside the Adler-32 of the data
  const struct {
    const char* name;
    Bytes stream;
    size_t block;
    bool whole;
  } rows[] = {
      {"header rewritten", withHeader(0x78, s[1]), 4096, true},
      {"preset dictionary", withHeader(0x78, static_cast<uint8_t>(s[1] | 0x20)), 4096, false},
      {"64 KiB window", withHeader(0x88, s[1]), 4096, false},
      {"method 7", withHeader(0x77, s[1]), 4096, false},
      {"cut short", Bytes(s.begin(), s.end() - 3), 1000, false},
      {"damaged check", damaged, s.size(), false},
      {"bytes after the end in the last block", followed(40, 0), s.size() + 40, true},
      {"the end inside a block before the last", followed(40, 100), s.size() + 40, false},
      {"the end at a block's end, one block after", followed(40, 0), s.size(), true},
      {"the end at a block's end, two blocks after", followed(40, s.size()), s.size(), false},
  };
  for (const auto& row : rows) {
    Bytes out;
    EXPECT_EQ(decompress(row.stream, row.block, out),
              row.whole ? CodecStatus::kOk : CodecStatus::kLibraryError)
        << row.name;
    if (row.whole) {
      EXPECT_EQ(out, data) << row.name;
    }
  }
}

}  // namespace
}  // namespace murl
