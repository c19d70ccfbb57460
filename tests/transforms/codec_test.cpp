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
    EXPECT_EQ(s[1] & 0x20, 0);  // no preset dictionary
    EXPECT_EQ((s[0] * 256 + s[1]) % 31, 0);
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
    EXPECT_EQ(test::stockInflate(c.stream, row.data.size()), row.data);
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

// Deflates `data` in parts of `part` bytes by `compressors` compressors taking turns, as threads
// would, each part primed with everything before it; joined with a zlib header and the Adler-32.
Bytes inParts(const Bytes& data, size_t part, int compressors) {
  std::vector<Bytes> areas(compressors, Bytes(1000 + kCodecAreaSlack));
  std::vector<std::unique_ptr<Compressor>> c;
  for (Bytes& area : areas) {
    c.push_back(std::make_unique<Compressor>(area));
    EXPECT_TRUE(c.back()->openParts(3));
  }
  const std::array<uint8_t, 2> header = zlibHeader(6);
  Bytes out(header.begin(), header.end());
  CodecSink sink = [&](uint8_t* p, size_t n) {
    out.insert(out.end(), p, p + n);
    return true;
  };
  size_t at = 0;
  for (size_t k = 0; at < data.size() || k == 0; ++k) {
    const size_t n = std::min(part, data.size() - at);
    EXPECT_EQ(c[k % c.size()]->compressPart({data.data(), at}, data.data() + at, n,
                                            at + n == data.size(), sink),
              CodecStatus::kOk);
    at += n;
  }
  appendBe32(out, static_cast<uint32_t>(adler32(1, data.data(), static_cast<uInt>(data.size()))));
  return out;
}

// Whether either half of 40 KB stretch `index` stands verbatim in `stream`. Stored at level 0,
// in blocks of up to 64 KiB, one of them does; deflate at a tuned level stores random data too,
// but in blocks of at most 16 KiB.
bool storedAtLevelZero(const Bytes& data, int index, const Bytes& stream) {
  for (int half = 0; half < 2; ++half) {
    const auto from = data.begin() + index * 40000 + half * 20000;
    if (std::search(stream.begin(), stream.end(), from, from + 20000) != stream.end()) return true;
  }
  return false;
}

// Parts made apart join into one stream, the same bytes whoever made each part. A part whose
// first 64 KiB does not shrink is stored behind it; text costs next to nothing over one stream.
TEST(Codec, PartsJoinIntoOneStreamAndStoreWhatDoesNotShrink) {
  struct Row {
    const char* kinds;
    size_t part;
    double maxRatioToOneStream;
    int stored;    // a random stretch stored, or -1
    int deflated;  // a random stretch deflated with the text its part starts with, or -1
  };
  // Parts of 160 KB: a probe is 64 KiB, so parts of two probes and more are probed.
  const Row kRows[] = {
      {"", 1000, 1.0, -1, -1},
      {"tttttttttttt", 160000, 1.03, -1, -1},
      {"tttttttttttt", 33000, 1.10, -1, -1},  // parts shorter than the window
      {"rrrrrrrrrrrr", 160000, 1.0, 3, -1},
      {"rrrrtttttttt", 160000, 1.03, 2, -1},  // each part decides on its own
      {"tttrrrrrrrrr", 160000, 1.01, 6, 3},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.kinds) + " " + std::to_string(row.part));
    const Bytes data = stretches(row.kinds);
    const Bytes joined = inParts(data, row.part, 2);
    EXPECT_EQ(inParts(data, row.part, 1), joined);
    EXPECT_EQ(test::stockInflate(joined, data.size()), data);
    Bytes back;
    ASSERT_EQ(decompress(joined, 4099, back), CodecStatus::kOk);
    EXPECT_EQ(back, data);
    const Bytes single = compress(data, 3, kCodecArea, kCodecArea).stream;
    EXPECT_LE(static_cast<double>(joined.size()),
              row.maxRatioToOneStream * static_cast<double>(single.size()) + 16);
    if (row.stored >= 0) {
      EXPECT_TRUE(storedAtLevelZero(data, row.stored, joined));
    }
    if (row.deflated >= 0) {
      EXPECT_FALSE(storedAtLevelZero(data, row.deflated, joined));
    }
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
