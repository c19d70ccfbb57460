// Hide and extract throughput of the BMP and AIFF carriers beside a plain copy of the same file
// through the same 4 MiB buffer, measured in the same run.
#include <string>
#include <vector>

#include "bench/carrier_bench.h"

namespace murl {
namespace {

void put(std::vector<uint8_t>& out, uint32_t v, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    out.push_back(static_cast<uint8_t>(v >> shift));
  }
}

uint8_t noise(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return static_cast<uint8_t>(state >> 16);
}

// A 24-bit bitmap of 2048 x 1536 (9 MiB) of noise.
std::vector<uint8_t> makeBmp() {
  const uint32_t width = 2048, height = 1536, bytes = width * height * 3;
  std::vector<uint8_t> out{'B', 'M'};
  put(out, 54 + bytes, 4, false);
  put(out, 0, 4, false);
  put(out, 54, 4, false);
  for (uint32_t v : {40u, width, height}) put(out, v, 4, false);
  put(out, 1, 2, false);
  put(out, 24, 2, false);
  for (int i = 0; i < 6; ++i) put(out, 0, 4, false);
  uint32_t state = 1;
  for (uint32_t i = 0; i < bytes; ++i) out.push_back(noise(state));
  return out;
}

// A mono 16-bit AIFF of 4.5 Mi samples (9 MiB) of noise.
std::vector<uint8_t> makeAiff() {
  const uint32_t samples = 9 * 512 * 1024, bytes = samples * 2;
  std::vector<uint8_t> out{'F', 'O', 'R', 'M'};
  put(out, 4 + 26 + 16 + bytes, 4, true);
  for (char c : std::string("AIFFCOMM")) out.push_back(static_cast<uint8_t>(c));
  put(out, 18, 4, true);
  put(out, 1, 2, true);
  put(out, samples, 4, true);
  put(out, 16, 2, true);
  for (uint8_t b : {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0}) out.push_back(b);
  for (char c : std::string("SSND")) out.push_back(static_cast<uint8_t>(c));
  put(out, 8 + bytes, 4, true);
  put(out, 0, 4, true);
  put(out, 0, 4, true);
  uint32_t state = 2;
  for (uint32_t i = 0; i < bytes; ++i) out.push_back(noise(state));
  return out;
}

bench::CarrierBench& bmpSetup() {
  static uint32_t state = 3;
  static bench::CarrierBench setup("b.bmp", makeBmp(), CarrierType::kBmpColour,
                                   [](size_t) { return noise(state); });
  return setup;
}
bench::CarrierBench& aiffSetup() {
  static uint32_t state = 3;
  static bench::CarrierBench setup("a.aif", makeAiff(), CarrierType::kAiff,
                                   [](size_t) { return noise(state); });
  return setup;
}

void BM_BmpFileCopy(benchmark::State& state) { bmpSetup().copy(state); }
void BM_BmpHide(benchmark::State& state) { bmpSetup().hide(state); }
void BM_BmpExtract(benchmark::State& state) { bmpSetup().extract(state); }
void BM_AiffFileCopy(benchmark::State& state) { aiffSetup().copy(state); }
void BM_AiffHide(benchmark::State& state) { aiffSetup().hide(state); }
void BM_AiffExtract(benchmark::State& state) { aiffSetup().extract(state); }

BENCHMARK(BM_BmpFileCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpHide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpExtract)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffFileCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffHide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffExtract)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace murl
