#include "transforms/codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "support/random_bytes.h"

namespace murl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;

// Words drawn from a small vocabulary: compresses like text, with long matches to find.
Bytes textLike(size_t n, uint32_t seed) {
  static const char* kWords[] = {"hidden ",  "carrier ", "stream ", "the ",  "of ",
                                 "bits\r\n", "and ",     "file ",   "murl ", "folder "};
  std::mt19937 gen(seed);
  Bytes out;
  while (out.size() < n) {
    const char* w = kWords[gen() % 10];
    while (*w && out.size() < n) out.push_back(static_cast<uint8_t>(*w++));
  }
  return out;
}

struct Compressed {
  Bytes stream;
  std::vector<size_t> pieces;  // the length handed to the sink each time
};

// Compresses `data` in input areas of `inputArea` bytes (sync flush each), then finishes with the
// rest, into output areas of `outputArea` bytes.
Compressed compress(const Bytes& data, uint8_t level, size_t inputArea, size_t outputArea,
                    AreaStoring storing = AreaStoring::kNever) {
  Bytes buffer(outputArea + kCodecAreaSlack);
  Compressor c(buffer);
  EXPECT_TRUE(c.open(level, Z_DEFAULT_STRATEGY, storing));
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

Bytes zlibInflate(const Bytes& stream, size_t expected) {
  Bytes out(expected + 1);
  uLongf n = out.size();
  EXPECT_EQ(uncompress(out.data(), &n, stream.data(), stream.size()), Z_OK);
  out.resize(n);
  return out;
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
    EXPECT_EQ(s[1] & 0x20, 0);  // no preset dictionary
    EXPECT_EQ((s[0] * 256 + s[1]) % 31, 0);
    EXPECT_EQ(zlibInflate(s, data.size()), data);
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

TEST(Codec, OutputAreasAreFullExceptTheLastAndNeverEmpty) {
  // Random data does not shrink, so the finish call fills many areas while output is pending.
  Bytes data = randomBytes(20000, 4);
  Compressed whole = compress(data, 6, kCodecArea, kCodecArea);
  const size_t total = whole.stream.size();
  // Areas of exactly the stream's length and half of it: the last finish call fills the area
  // to its end, and nothing empty may follow.
  for (size_t area : {size_t{64}, total, total / 2 + total % 2, total - 1}) {
    SCOPED_TRACE(area);
    Compressed c = compress(data, 6, kCodecArea, area);
    EXPECT_EQ(c.stream, whole.stream);
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      if (i + 1 < c.pieces.size()) {
        EXPECT_EQ(c.pieces[i], area);
      }
      EXPECT_GT(c.pieces[i], 0u);
    }
  }
}

TEST(Codec, RoundTripsAcrossLevelsAreasAndBlockCuts) {
  Bytes mixed = textLike(70000, 5);
  const Bytes tail = randomBytes(30000, 6);
  mixed.insert(mixed.end(), tail.begin(), tail.end());
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
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.data.size()) + " " + std::to_string(row.level));
    Compressed c = compress(row.data, row.level, row.inputArea, row.outputArea);
    EXPECT_EQ(zlibInflate(c.stream, row.data.size()), row.data);
    if (row.data.empty()) {
      EXPECT_EQ(c.pieces.size(), 1u);  // one call hands the whole stream on
    }
    for (size_t block : {size_t{1}, size_t{333}, c.stream.size()}) {
      Bytes back;
      ASSERT_EQ(decompress(c.stream, block, back), CodecStatus::kOk);
      EXPECT_EQ(back, row.data);
    }
  }
}

// Content in 40 KiB stretches, one letter each: t text, r random (incompressible).
Bytes stretches(const char* kinds) {
  Bytes out;
  for (uint32_t i = 0; kinds[i] != 0; ++i) {
    Bytes part = kinds[i] == 't' ? textLike(40000, i) : randomBytes(40000, 100 + i);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

TEST(Codec, AreasThatDoNotShrinkAreStoredAndStillInflate) {
  struct Row {
    const char* kinds;
    size_t inputArea;
    size_t outputArea;
    bool sameAsDeflating;  // text never leaves the tuned level
    double maxRatioToDeflating;
  };
  // Areas of 160 KB: a probe is 64 KiB, so areas of two probes and more are probed.
  const Row kRows[] = {
      {"tttttttttttt", 160000, 4096, true, 1.0},
      {"tttttttttttt", 160000, 1000000, true, 1.0},
      {"rrrrrrrrrrrr", 160000, 4096, false, 1.0},
      {"rrrrrrrrrrrr", 131072, 4096, false, 1.0},   // no room for a probe: stays stored
      {"rrrrtttttttt", 160000, 4096, false, 1.05},  // the probe brings deflate back for text
      // Text behind random data in an area whose probe sees random data is stored with it.
      {"rrrrrrrrrrrt", 160000, 1000, false, 1.10},
      {"rtrtrtrtrtrt", 80000, 333, true, 1.0},  // every area shrinks by its half of text
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.kinds) + " " + std::to_string(row.inputArea));
    Bytes data = stretches(row.kinds);
    Compressed deflating = compress(data, 3, row.inputArea, row.outputArea);
    Compressed storing =
        compress(data, 3, row.inputArea, row.outputArea, AreaStoring::kWhenNotShrinking);
    EXPECT_EQ(storing.stream == deflating.stream, row.sameAsDeflating);
    EXPECT_LE(static_cast<double>(storing.stream.size()),
              row.maxRatioToDeflating * static_cast<double>(deflating.stream.size()));
    EXPECT_EQ(storing.stream[1], deflating.stream[1]);  // the same header level bits
    for (size_t i = 0; i + 1 < storing.pieces.size(); ++i)
      EXPECT_EQ(storing.pieces[i], row.outputArea);
    EXPECT_EQ(zlibInflate(storing.stream, data.size()), data);
    Bytes back;
    ASSERT_EQ(decompress(storing.stream, 4099, back), CodecStatus::kOk);
    EXPECT_EQ(back, data);
  }
}

TEST(Codec, DecompressorRefusesBadHeaders) {
  const Bytes s = compress(textLike(1000, 7), 3, kCodecArea, 4096).stream;
  const struct {
    uint8_t cmf, flg;
    CodecStatus status;
  } rows[] = {
      {0x78, static_cast<uint8_t>(s[1] | 0x20), CodecStatus::kLibraryError},  // preset dictionary
      {0x88, s[1], CodecStatus::kLibraryError},                               // 64 KiB window
      {0x77, s[1], CodecStatus::kLibraryError},                               // method 7
      {0x78, s[1], CodecStatus::kOk},
  };
  for (const auto& row : rows) {
    Bytes t = s, out;
    unsigned h = (row.cmf << 8) | (row.flg & 0xE0);
    t[0] = row.cmf;
    t[1] = static_cast<uint8_t>(h + 31 - h % 31);  // a valid header check
    EXPECT_EQ(decompress(t, 4096, out), row.status) << int{row.cmf} << " " << int{row.flg};
  }
}

TEST(Codec, StreamMustEndInTheLastBlockOnly) {
  Bytes data = textLike(20000, 8);
  Bytes s = compress(data, 3, kCodecArea, kCodecArea).stream;
  Bytes out;
  // Cut short: no end of stream in the last block.
  EXPECT_EQ(decompress(Bytes(s.begin(), s.end() - 3), 1000, out), CodecStatus::kLibraryError);
  // Bytes after the end in the last block are ignored.
  Bytes padded = s;
  padded.insert(padded.end(), 40, 0xAB);
  out.clear();
  EXPECT_EQ(decompress(padded, padded.size(), out), CodecStatus::kOk);
  EXPECT_EQ(out, data);
  // The end inside a block that is not the last is invalid.
  Bytes area(97);
  Decompressor d(area);
  ASSERT_TRUE(d.open());
  CodecSink keep = [](uint8_t*, size_t) { return true; };
  EXPECT_EQ(d.decompress(padded.data(), padded.size(), false, keep), CodecStatus::kLibraryError);
  // The end exactly at the end of a block that is not the last is a whole stream: the last
  // block's bytes come after its end and are ignored, and no block may come between.
  out.clear();
  Bytes followed = s;
  followed.insert(followed.end(), 40, 0xAB);
  EXPECT_EQ(decompress(followed, s.size(), out), CodecStatus::kOk);
  EXPECT_EQ(out, data);
  followed.insert(followed.end(), s.size(), 0xCD);
  out.clear();
  EXPECT_EQ(decompress(followed, s.size(), out), CodecStatus::kLibraryError);
}

TEST(Codec, DamagedDataAndRefusingSinksStopTheWork) {
  Bytes data = textLike(20000, 9);
  Bytes s = compress(data, 3, kCodecArea, kCodecArea).stream;
  s[s.size() - 2] ^= 0x40;  // inside the Adler-32 of the data
  Bytes out;
  EXPECT_EQ(decompress(s, s.size(), out), CodecStatus::kLibraryError);

  Bytes buffer(100 + kCodecAreaSlack);
  Compressor c(buffer);
  ASSERT_TRUE(c.open(3));
  int calls = 0;
  CodecSink refuse = [&](uint8_t*, size_t) { return ++calls < 2; };
  Bytes noise = randomBytes(1000, 10);
  EXPECT_EQ(c.compress(noise.data(), noise.size(), true, refuse), CodecStatus::kSinkRefused);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace murl
