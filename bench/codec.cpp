// Compression and decompression of one 0x3FFFF0-byte area of text-like data per level, and the
// hidden stream's compression in parts at "Medium" on the job's thread alone and with its worker,
// beside zlib's own level 6 deflate of the same data.
#include "transforms/codec.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "stream/deflate_pipeline.h"

namespace {

using murl::CodecSink;
using murl::CodecStatus;

const std::vector<uint8_t>& textLike() {
  static const std::vector<uint8_t> data = [] {
    static const char* kWords[] = {"hidden ", "carrier ", "stream ",   "the ",
                                   "of ",     "bits\r\n", "and ",      "file ",
                                   "murl ",   "folder ",  "0x3FFFF0 ", "level "};
    std::mt19937 gen(7);
    std::vector<uint8_t> out;
    out.reserve(murl::kCodecArea);
    while (out.size() < murl::kCodecArea) {
      const char* w = kWords[gen() % 12];
      if (gen() % 50 == 0) out.push_back(static_cast<uint8_t>(gen()));
      while (*w && out.size() < murl::kCodecArea) out.push_back(static_cast<uint8_t>(*w++));
    }
    return out;
  }();
  return data;
}

std::vector<uint8_t> compressAll(uint8_t level, std::vector<uint8_t>& buffer) {
  murl::Compressor c(buffer);
  std::vector<uint8_t> out;
  c.open(level);
  c.compress(textLike().data(), textLike().size(), true, [&](uint8_t* p, size_t n) {
    out.insert(out.end(), p, p + n);
    return true;
  });
  return out;
}

void BM_Compress(benchmark::State& state) {
  std::vector<uint8_t> buffer(murl::kCodecArea + murl::kCodecAreaSlack);
  size_t size = 0;
  for (auto _ : state) size = compressAll(static_cast<uint8_t>(state.range(0)), buffer).size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textLike().size()));
  state.counters["ratio%"] = 100.0 * static_cast<double>(size) / textLike().size();
}
BENCHMARK(BM_Compress)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_Decompress(benchmark::State& state) {
  std::vector<uint8_t> buffer(murl::kCodecArea + murl::kCodecAreaSlack);
  std::vector<uint8_t> stream = compressAll(static_cast<uint8_t>(state.range(0)), buffer);
  for (auto _ : state) {
    murl::Decompressor d(buffer);
    d.open();
    CodecStatus s = d.decompress(stream.data(), stream.size(), true, [](uint8_t* p, size_t) {
      return benchmark::DoNotOptimize(p), true;
    });
    if (s != CodecStatus::kOk) state.SkipWithError("decompression failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textLike().size()));
}
BENCHMARK(BM_Decompress)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_DeflatePipeline(benchmark::State& state) {
  std::vector<uint8_t> pieces(murl::kCodecArea + murl::kCodecAreaSlack);
  size_t size = 0;
  for (auto _ : state) {
    murl::DeflatePipeline pipeline(pieces, state.range(0) != 0);
    pipeline.open(3);
    size = 0;
    pipeline.compress(textLike().data(), textLike().size(), true, [&](uint8_t*, size_t n) {
      size += n;
      return true;
    });
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textLike().size()));
  state.counters["ratio%"] = 100.0 * static_cast<double>(size) / textLike().size();
}
BENCHMARK(BM_DeflatePipeline)
    ->ArgName("worker")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The baseline: zlib level 6 with its own defaults, in one call.
void BM_ZlibLevel6Deflate(benchmark::State& state) {
  std::vector<uint8_t> out(compressBound(textLike().size()));
  for (auto _ : state) {
    uLongf n = out.size();
    compress2(out.data(), &n, textLike().data(), textLike().size(), 6);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textLike().size()));
}
BENCHMARK(BM_ZlibLevel6Deflate)->Unit(benchmark::kMillisecond);

}  // namespace
