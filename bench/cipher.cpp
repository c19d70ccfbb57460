// Cipher throughput on full pieces of text-like data, beside a copy of the piece and zlib level 6
// deflate of the same data in the same run. The argument is how many pieces are enciphered side
// by side per iteration, one thread each (as the cipher workers do); the rate counts them all
// over wall time, so it shows what a second core adds.
#include "transforms/cipher.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kPiece = 0x3FFFF0;

// Words of varying length separated by spaces and line breaks: compresses like prose.
const std::vector<uint8_t>& textPiece() {
  static const std::vector<uint8_t> piece = [] {
    const char* const words[] = {"the",   "carrier",  "hidden", "stream", "of",     "bits",
                                 "a",     "folder",   "file",   "and",    "sample", "colour",
                                 "piece", "password", "order",  "mark",   "to",     "level"};
    std::vector<uint8_t> bytes;
    bytes.reserve(kPiece);
    uint32_t state = 12345;
    while (bytes.size() < kPiece) {
      state = state * 1103515245 + 12345;
      const std::string word = words[(state >> 16) % 18];
      bytes.insert(bytes.end(), word.begin(), word.end());
      bytes.push_back((state >> 8) % 11 == 0 ? '\n' : ' ');
    }
    bytes.resize(kPiece);
    return bytes;
  }();
  return piece;
}

murl::Password benchPassword() {
  murl::Password password;
  password.take("bench password \xe9\xa0 with high bytes");
  return password;
}

// Runs `each(t)` for t < threads, each on a thread of its own, and waits for all of them.
template <typename Each>
void sideBySide(int threads, Each each) {
  std::vector<std::thread> running;
  for (int t = 1; t < threads; ++t) running.emplace_back(each, t);
  each(0);
  for (std::thread& thread : running) thread.join();
}

void setPieceRate(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * state.range(0) * kPiece));
}

struct Lane {
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kPiece + murl::kCipherOverhead);
  murl::RandomSource random;
};

void BM_Encipher(benchmark::State& state) {
  const auto& piece = textPiece();
  const murl::Password password = benchPassword();
  std::vector<Lane> lanes(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    sideBySide(static_cast<int>(lanes.size()), [&](int t) {
      Lane& lane = lanes[static_cast<size_t>(t)];
      std::copy(piece.begin(), piece.end(), lane.buffer.begin());
      benchmark::DoNotOptimize(
          murl::encipherBlock(lane.buffer.data(), kPiece, password, lane.random));
    });
  }
  setPieceRate(state);
}
BENCHMARK(BM_Encipher)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();

void BM_Decipher(benchmark::State& state) {
  const auto& piece = textPiece();
  const murl::Password password = benchPassword();
  std::vector<Lane> lanes(static_cast<size_t>(state.range(0)));
  std::vector<uint8_t> block(kPiece + murl::kCipherOverhead);
  std::copy(piece.begin(), piece.end(), block.begin());
  murl::encipherBlock(block.data(), kPiece, password, lanes[0].random);
  for (auto _ : state) {
    sideBySide(static_cast<int>(lanes.size()), [&](int t) {
      Lane& lane = lanes[static_cast<size_t>(t)];
      lane.buffer = block;
      benchmark::DoNotOptimize(
          murl::decipherBlock(lane.buffer.data(), lane.buffer.size(), password));
    });
  }
  setPieceRate(state);
}
BENCHMARK(BM_Decipher)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();

// Baseline: copies of the piece, side by side as above.
void BM_CopyPiece(benchmark::State& state) {
  const auto& piece = textPiece();
  std::vector<Lane> lanes(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    sideBySide(static_cast<int>(lanes.size()), [&](int t) {
      Lane& lane = lanes[static_cast<size_t>(t)];
      std::copy(piece.begin(), piece.end(), lane.buffer.begin());
      benchmark::ClobberMemory();
    });
  }
  setPieceRate(state);
}
BENCHMARK(BM_CopyPiece)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();

// Baseline: a stream deflated at level 6 the way the codec drives zlib.
void BM_ZlibDeflateLevel6(benchmark::State& state) {
  const auto& piece = textPiece();
  std::vector<uint8_t> out(deflateBound(nullptr, kPiece));
  for (auto _ : state) {
    z_stream z{};
    deflateInit(&z, 6);
    z.next_in = const_cast<Bytef*>(piece.data());
    z.avail_in = static_cast<uInt>(piece.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    benchmark::DoNotOptimize(deflate(&z, Z_FINISH));
    deflateEnd(&z);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPiece));
}
BENCHMARK(BM_ZlibDeflateLevel6)->Unit(benchmark::kMillisecond);

void BM_ZlibCompress2Level6(benchmark::State& state) {
  const auto& piece = textPiece();
  std::vector<uint8_t> out(compressBound(kPiece));
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(compress2(out.data(), &size, piece.data(), kPiece, 6));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPiece));
}
BENCHMARK(BM_ZlibCompress2Level6)->Unit(benchmark::kMillisecond);

}  // namespace
