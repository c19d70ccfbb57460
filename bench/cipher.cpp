// Cipher throughput on one full piece of text-like data, beside zlib level 6 deflate of the same
// data in the same run.
#include "transforms/cipher.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
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

void BM_Encipher(benchmark::State& state) {
  const auto& piece = textPiece();
  const murl::Password password = benchPassword();
  murl::RandomSource random;
  std::vector<uint8_t> buffer(kPiece + murl::kCipherOverhead), scratch(buffer.size());
  for (auto _ : state) {
    std::copy(piece.begin(), piece.end(), buffer.begin());
    benchmark::DoNotOptimize(
        murl::encipherBlock(buffer.data(), kPiece, scratch.data(), password, random));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPiece));
}
BENCHMARK(BM_Encipher)->Unit(benchmark::kMillisecond);

void BM_Decipher(benchmark::State& state) {
  const auto& piece = textPiece();
  const murl::Password password = benchPassword();
  murl::RandomSource random;
  std::vector<uint8_t> block(kPiece + murl::kCipherOverhead), buffer(block.size()),
      scratch(block.size());
  std::copy(piece.begin(), piece.end(), block.begin());
  murl::encipherBlock(block.data(), kPiece, scratch.data(), password, random);
  for (auto _ : state) {
    buffer = block;
    benchmark::DoNotOptimize(
        murl::decipherBlock(buffer.data(), buffer.size(), scratch.data(), password));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPiece));
}
BENCHMARK(BM_Decipher)->Unit(benchmark::kMillisecond);

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
