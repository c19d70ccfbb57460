// PCX and TGA hide and extract throughput on a 2048 x 1536 image, coded and raw, each beside a
// plain copy of the same file measured in the same run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/carrier_bench.h"
#include "carriers/pcx/pcx.h"
#include "carriers/tga/tga.h"

namespace murl {
namespace {

constexpr uint32_t kWidth = 2048;
constexpr uint32_t kHeight = 1536;

// A photograph's worth of detail: smooth shades with grain, now and then a flat patch.
std::vector<uint8_t> pixels(uint32_t bytesPerPixel) {
  std::mt19937 random(7);
  std::vector<uint8_t> out(size_t{kWidth} * kHeight * bytesPerPixel);
  size_t at = 0;
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      const bool flat = x > 0 && random() % 8 == 0;
      for (uint32_t c = 0; c < bytesPerPixel; ++c, ++at) {
        out[at] = flat ? out[at - bytesPerPixel]
                       : static_cast<uint8_t>(x / 8 + y / 6 + 80 * c + random() % 12);
      }
    }
  }
  return out;
}

void putLe16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::vector<uint8_t> makePcx(bool coded) {
  std::vector<uint8_t> out(pcx::kHeaderSize, 0);
  out[0] = 10;
  out[1] = 5;
  out[2] = coded ? 1 : 0;
  out[3] = 8;
  putLe16(out, 8, kWidth - 1);
  putLe16(out, 10, kHeight - 1);
  out[65] = 3;
  putLe16(out, 66, kWidth);
  const std::vector<uint8_t> image = pixels(3);
  std::vector<uint8_t> line(3 * kWidth), code(6 * kWidth);
  for (uint32_t r = 0; r < kHeight; ++r) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      for (uint32_t p = 0; p < 3; ++p)
        line[p * kWidth + x] = image[(size_t{r} * kWidth + x) * 3 + p];
    }
    if (!coded) {
      out.insert(out.end(), line.begin(), line.end());
      continue;
    }
    const size_t length = pcx::encodeScanline(line.data(), 3 * kWidth, code.data());
    out.insert(out.end(), code.begin(), code.begin() + length);
  }
  return out;
}

std::vector<uint8_t> makeTga(bool coded, uint32_t bytesPerPixel) {
  std::vector<uint8_t> out(tga::kHeaderSize, 0);
  out[2] = coded ? 10 : 2;
  putLe16(out, 12, kWidth);
  putLe16(out, 14, kHeight);
  out[16] = static_cast<uint8_t>(8 * bytesPerPixel);
  std::vector<uint8_t> image = pixels(bytesPerPixel);
  if (!coded) {
    out.insert(out.end(), image.begin(), image.end());
    return out;
  }
  tga::RowEncoder encoder(bytesPerPixel);
  const size_t rowBytes = size_t{kWidth} * bytesPerPixel;
  std::vector<uint8_t> row(tga::RowEncoder::kHeldRoom + rowBytes), code(encoder.bound(kWidth));
  for (uint32_t r = 0; r < kHeight; ++r) {
    std::copy_n(image.begin() + r * rowBytes, rowBytes, row.begin() + tga::RowEncoder::kHeldRoom);
    const size_t length = encoder.encode(row.data() + tga::RowEncoder::kHeldRoom, kWidth,
                                         r + 1 == kHeight, code.data());
    out.insert(out.end(), code.begin(), code.begin() + length);
  }
  return out;
}

// Stream bytes that look enciphered.
uint8_t streamByte(size_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 13); }

bench::CarrierBench& pcxCoded() {
  static bench::CarrierBench setup("coded.pcx", makePcx(true), CarrierType::kPcxColour, streamByte);
  return setup;
}
bench::CarrierBench& pcxRaw() {
  static bench::CarrierBench setup("raw.pcx", makePcx(false), CarrierType::kPcxColour, streamByte);
  return setup;
}
bench::CarrierBench& tgaCoded() {
  static bench::CarrierBench setup("coded.tga", makeTga(true, 3), CarrierType::kTga, streamByte);
  return setup;
}
bench::CarrierBench& tgaRaw32() {
  static bench::CarrierBench setup("raw32.tga", makeTga(false, 4), CarrierType::kTga, streamByte);
  return setup;
}

void BM_PcxCodedCopy(benchmark::State& state) { pcxCoded().copy(state); }
void BM_PcxCodedHide(benchmark::State& state) { pcxCoded().hide(state); }
void BM_PcxCodedExtract(benchmark::State& state) { pcxCoded().extract(state); }
void BM_PcxRawCopy(benchmark::State& state) { pcxRaw().copy(state); }
void BM_PcxRawHide(benchmark::State& state) { pcxRaw().hide(state); }
void BM_PcxRawExtract(benchmark::State& state) { pcxRaw().extract(state); }
void BM_TgaCodedCopy(benchmark::State& state) { tgaCoded().copy(state); }
void BM_TgaCodedHide(benchmark::State& state) { tgaCoded().hide(state); }
void BM_TgaCodedExtract(benchmark::State& state) { tgaCoded().extract(state); }
void BM_TgaRaw32Copy(benchmark::State& state) { tgaRaw32().copy(state); }
void BM_TgaRaw32Hide(benchmark::State& state) { tgaRaw32().hide(state); }
void BM_TgaRaw32Extract(benchmark::State& state) { tgaRaw32().extract(state); }

BENCHMARK(BM_PcxCodedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcxCodedHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcxCodedExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcxRawCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcxRawHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcxRawExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaCodedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaCodedHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaCodedExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaRaw32Copy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaRaw32Hide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TgaRaw32Extract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
