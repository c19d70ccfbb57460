// PE module hide and extract throughput over a module of two resources (a 9 MiB bitmap and a
// 9 MiB wave), beside a plain copy of the same file through a 4 MiB buffer, in the same run.
#include <algorithm>
#include <vector>

#include "bench/carrier_bench.h"
#include "platform/byte_order.h"

namespace murl {
namespace {

uint8_t noise(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return static_cast<uint8_t>(state >> 16);
}

// The resource data: a 2048 x 1536 24-bit bitmap (info header first) and a mono 16-bit wave of
// 4.5 Mi samples, both of noise.
std::vector<uint8_t> bitmapData() {
  const uint32_t width = 2048, height = 1536, bytes = width * height * 3;
  std::vector<uint8_t> out;
  for (uint32_t v : {40u, width, height}) appendLe32(out, v);
  appendLe16(out, 1);
  appendLe16(out, 24);
  out.resize(40 + bytes, 0);
  uint32_t state = 1;
  for (size_t i = 40; i < out.size(); ++i) out[i] = noise(state);
  return out;
}
std::vector<uint8_t> waveData() {
  const uint32_t samples = 9 * 512 * 1024, bytes = samples * 2;
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  appendLe32(out, 36 + bytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  for (uint32_t v : {16u, 1u | (1u << 16), 8000u, 16000u, 2u | (16u << 16)}) appendLe32(out, v);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  appendLe32(out, bytes);
  uint32_t state = 2;
  for (uint32_t i = 0; i < bytes; ++i) out.push_back(noise(state));
  return out;
}

// A module of one ".rsrc" section: a "WAVE" type and type 2, one resource each.
std::vector<uint8_t> makeModule() {
  constexpr uint32_t kRaw = 0x200, kAddress = 0x1000, kData = 176;
  const std::vector<uint8_t> wave = waveData();
  const std::vector<uint8_t> bitmap = bitmapData();
  const uint32_t bitmapAt = kData + static_cast<uint32_t>((wave.size() + 7) & ~size_t{7});
  std::vector<uint8_t> s(bitmapAt + bitmap.size(), 0);
  storeLe16(s.data() + 12, 1);  // root: one named type, one id
  storeLe16(s.data() + 14, 1);
  const uint32_t dir = 0x80000000;
  const uint32_t entries[][3] = {
      // at, name or id, offset
      {16, dir | 160, dir | 32}, {24, 2, dir | 56},        // root
      {32 + 16, 1, dir | 80},    {56 + 16, 1, dir | 104},  // names
      {80 + 16, 0x409, 128},     {104 + 16, 0x409, 144},   // first languages
  };
  for (const auto& e : entries) {
    storeLe32(s.data() + e[0], e[1]);
    storeLe32(s.data() + e[0] + 4, e[2]);
  }
  for (uint32_t table : {32u, 56u, 80u, 104u}) storeLe16(s.data() + table + 14, 1);
  storeLe32(s.data() + 128, kAddress + kData);
  storeLe32(s.data() + 132, static_cast<uint32_t>(wave.size()));
  storeLe32(s.data() + 144, kAddress + bitmapAt);
  storeLe32(s.data() + 148, static_cast<uint32_t>(bitmap.size()));
  storeLe16(s.data() + 160, 4);
  for (int i = 0; i < 4; ++i) s[162 + 2 * i] = static_cast<uint8_t>("WAVE"[i]);
  std::copy(wave.begin(), wave.end(), s.begin() + kData);
  std::copy(bitmap.begin(), bitmap.end(), s.begin() + bitmapAt);

  std::vector<uint8_t> out(kRaw, 0);
  out[0] = 'M';
  out[1] = 'Z';
  storeLe32(out.data() + 60, 64);
  std::copy_n("PE\0\0", 4, out.begin() + 64);
  storeLe16(out.data() + 64 + 6, 1);  // one section, no optional header
  const size_t section = 64 + 24;
  std::copy_n(".rsrc", 5, out.begin() + section);
  storeLe32(out.data() + section + 12, kAddress);
  storeLe32(out.data() + section + 16, static_cast<uint32_t>(s.size()));
  storeLe32(out.data() + section + 20, kRaw);
  out.insert(out.end(), s.begin(), s.end());
  return out;
}

bench::CarrierBench& setup() {
  static uint32_t state = 3;
  static bench::CarrierBench instance("module.dll", makeModule(), CarrierType::kModule,
                                      [](size_t) { return noise(state); });
  return instance;
}

void BM_ModuleFileCopy(benchmark::State& state) { setup().copy(state); }
void BM_ModuleHide(benchmark::State& state) { setup().hide(state); }
void BM_ModuleExtract(benchmark::State& state) { setup().extract(state); }

BENCHMARK(BM_ModuleFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModuleHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModuleExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
