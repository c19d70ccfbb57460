#include "stream/deflate_pipeline.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/random_bytes.h"
#include "support/stock_zlib.h"
#include "support/thread_count.h"

namespace murl {
namespace {

using Bytes = std::vector<uint8_t>;

struct Deflated {
  CodecStatus status = CodecStatus::kOk;
  Bytes stream;
  std::vector<size_t> pieces;  // the length of each piece handed over
};

// Compresses `data` in input areas of `area` bytes into pieces of `piece` bytes; the sink
// refuses the piece numbered `refuse` (none when negative).
Deflated deflateAll(const Bytes& data, size_t area, size_t piece, bool worker, int refuse = -1) {
  Bytes pieces(piece + kCodecAreaSlack);
  DeflatePipeline pipeline(pieces, worker);
  EXPECT_TRUE(pipeline.open(3));
  Deflated out;
  CodecSink sink = [&](uint8_t* p, size_t n) {
    if (static_cast<int>(out.pieces.size()) == refuse) return false;
    out.stream.insert(out.stream.end(), p, p + n);
    out.pieces.push_back(n);
    return true;
  };
  size_t at = 0;
  for (bool last = false; !last && out.status == CodecStatus::kOk;) {
    const size_t n = std::min(area, data.size() - at);
    last = at + n == data.size() && n < area;
    out.status = pipeline.compress(data.data() + at, n, last, sink);
    at += n;
  }
  return out;
}

// The size of one zlib stream of `data` at "Medium" made in one go, with a sync flush after each
// full input area of `area` bytes.
size_t oneStreamSize(const Bytes& data, size_t area) {
  Bytes out(kCodecArea + kCodecAreaSlack);
  Compressor c(out);
  EXPECT_TRUE(c.open(3));
  size_t size = 0;
  CodecSink count = [&](uint8_t*, size_t n) {
    size += n;
    return true;
  };
  size_t at = 0;
  for (; data.size() - at >= area; at += area) c.compress(data.data() + at, area, false, count);
  EXPECT_EQ(c.compress(data.data() + at, data.size() - at, true, count), CodecStatus::kOk);
  return size;
}

// Whether either half of the 40 KB at `at` stands verbatim in `stream`. Stored at level 0, in
// blocks of up to 64 KiB, one of them does; deflate at a tuned level stores random data too, but
// in blocks of at most 16 KiB.
bool storedAtLevelZero(const Bytes& data, size_t at, const Bytes& stream) {
  for (size_t half = 0; half < 2; ++half) {
    const auto from = data.begin() + static_cast<std::ptrdiff_t>(at + half * 20000);
    if (std::search(stream.begin(), stream.end(), from, from + 20000) != stream.end()) return true;
  }
  return false;
}

Bytes joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Parts on the worker and on the caller's thread alone give the same bytes, which stock zlib
// inflates, cut into full pieces and a last, non-empty one, and about as small as one stream:
// every part, the first of an area too, sees the 32 KiB before it. A part whose first 64 KiB
// does not shrink is stored behind them, and the next part is deflated again.
TEST(DeflatePipeline, TheWorkerChangesNoByteAndStockZlibInflatesTheResult) {
  constexpr size_t kNone = ~size_t{0};
  struct Row {
    std::string name;
    Bytes data;
    size_t area;
    size_t piece;
    double maxRatioToOneStream;
    size_t stored = kNone;    // random data at this offset is stored
    size_t deflated = kNone;  // random data at this offset is deflated with the text before it
  };
  const Row kRows[] = {
      {"empty", {}, kCodecArea, kCodecArea, 1.0},
      {"short text", test::textLike(5000, 3), kCodecArea, kCodecArea, 1.0},
      {"text in one area of four parts", test::textLike(kCodecArea - 5, 4), kCodecArea, 100000,
       1.002},
      {"text in many small areas", test::textLike(600000, 5), 40000, 65536, 1.002},
      {"mixed in areas of three parts",
       joined(test::textLike(1500000, 1), test::randomBytes(2500000, 2)), 2500000 + 7, 65536, 1.002,
       2200000, 1600000},
      {"random in full areas", test::randomBytes(2 * 1500000, 6), 1500000, 1000000, 1.0, 500000},
      {"random, then text in the part after",
       joined(test::randomBytes(1048576, 7), test::textLike(200000, 8)), kCodecArea, 1000000, 1.01,
       500000},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    const size_t threadsBefore = test::threadCount();
    const Deflated alone = deflateAll(row.data, row.area, row.piece, false);
    const Deflated paired = deflateAll(row.data, row.area, row.piece, true);
    EXPECT_EQ(test::threadCount(), threadsBefore);
    ASSERT_EQ(alone.status, CodecStatus::kOk);
    ASSERT_EQ(paired.status, CodecStatus::kOk);
    EXPECT_EQ(paired.stream, alone.stream);
    EXPECT_EQ(test::stockInflate(paired.stream, row.data.size()), row.data);
    EXPECT_EQ(paired.stream[1] >> 6, 2);  // "Medium": the level bits of deflate level 6
    ASSERT_FALSE(paired.pieces.empty());
    for (size_t i = 0; i + 1 < paired.pieces.size(); ++i) EXPECT_EQ(paired.pieces[i], row.piece);
    EXPECT_GT(paired.pieces.back(), 0u);
    EXPECT_LE(static_cast<double>(paired.stream.size()),
              row.maxRatioToOneStream * static_cast<double>(oneStreamSize(row.data, row.area)) + 8);
    if (row.stored != kNone) {
      EXPECT_TRUE(storedAtLevelZero(row.data, row.stored, paired.stream));
    }
    if (row.deflated != kNone) {
      EXPECT_FALSE(storedAtLevelZero(row.data, row.deflated, paired.stream));
    }
  }
}

// A refused piece ends the work with the worker's part waited for; no thread outlives it.
TEST(DeflatePipeline, ARefusedPieceEndsTheWorkAndLeavesNoThread) {
  const Bytes data = test::randomBytes(3 * 1000000, 6);
  const size_t threadsBefore = test::threadCount();
  for (int refuse : {0, 1, 2}) {
    SCOPED_TRACE(refuse);
    const Deflated d = deflateAll(data, data.size() + 1, 700000, true, refuse);
    EXPECT_EQ(d.status, CodecStatus::kSinkRefused);
    EXPECT_EQ(d.pieces.size(), static_cast<size_t>(refuse));
    EXPECT_EQ(test::threadCount(), threadsBefore);
  }
}

}  // namespace
}  // namespace murl
