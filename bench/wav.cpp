// WAV count, hide and extract throughput on a 50 MB carrier, beside a plain copy of the same file.
#include <random>
#include <vector>

#include "bench/carrier_bench.h"
#include "platform/byte_order.h"

namespace murl {
namespace {

// Stereo 16-bit music-like noise: most samples loud enough at the default level.
std::vector<uint8_t> makeWav() {
  const uint32_t samples = 25 * 1024 * 1024;
  std::vector<uint8_t> bytes;
  bytes.reserve(44 + 2 * size_t{samples});
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  appendLe32(bytes, 36 + 2 * samples);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  appendLe32(bytes, 16);
  appendLe16(bytes, 1);
  appendLe16(bytes, 2);
  appendLe32(bytes, 44100);
  appendLe32(bytes, 44100 * 4);
  appendLe16(bytes, 4);
  appendLe16(bytes, 16);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  appendLe32(bytes, 2 * samples);
  std::mt19937 random(1);
  std::normal_distribution<double> level(0.0, 4000.0);
  for (uint32_t i = 0; i < samples; ++i) {
    double v = std::min(32767.0, std::max(-32768.0, level(random)));
    appendLe16(bytes, static_cast<uint16_t>(static_cast<int16_t>(v)));
  }
  return bytes;
}

bench::CarrierBench& setup() {
  static std::mt19937 random(2);
  static bench::CarrierBench instance("carrier.wav", makeWav(), CarrierType::kWav,
                                      [](size_t) { return static_cast<uint8_t>(random()); });
  return instance;
}

void BM_PlainCopy(benchmark::State& state) { setup().copy(state); }
void BM_WavCount(benchmark::State& state) { setup().count(state); }
void BM_WavHide(benchmark::State& state) { setup().hide(state); }
void BM_WavExtract(benchmark::State& state) { setup().extract(state); }

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Name("BM_PlainCopyCpu");
BENCHMARK(BM_WavCount)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_WavHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
