// PCX and TGA hide and extract throughput on a 2048 x 1536 image, coded and raw, each beside a
// plain copy of the same file measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/identify.h"
#include "carriers/pcx/pcx.h"
#include "carriers/registry.h"
#include "carriers/tga/tga.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

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

void write(const std::string& path, const std::vector<uint8_t>& bytes) {
  auto file = platform::File::createTruncate(path);
  if (!file.writeExact(bytes.data(), bytes.size())) std::abort();
}

struct Setup {
  std::string folder = platform::tempFolder();
  std::string carrier, stream, target, sink;
  uint64_t size = 0;
  CarrierEntry entry;

  Setup(const std::string& name, const std::vector<uint8_t>& bytes)
      : carrier(folder + "murl_bench_" + name),
        stream(folder + "murl_bench_stream_" + name),
        target(folder + "murl_bench_target_" + name),
        sink(folder + "murl_bench_sink_" + name),
        size(bytes.size()) {
    write(carrier, bytes);
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    IdentificationRecord record;
    if (!identify(carrier, IdentifyPurpose::kHiding, record, workspace)) std::abort();
    entry = {record.type, record.carrierBits, {}, carrier};
    std::mt19937 random(3);
    std::vector<uint8_t> streamBytes(record.carrierBits / 8);
    for (auto& b : streamBytes) b = static_cast<uint8_t>(random());
    write(stream, streamBytes);
  }
  ~Setup() {
    for (const auto& path : {carrier, stream, target, sink}) platform::removeFile(path);
  }
};

Setup& pcxCoded() {
  static Setup setup("coded.pcx", makePcx(true));
  return setup;
}
Setup& pcxRaw() {
  static Setup setup("raw.pcx", makePcx(false));
  return setup;
}
Setup& tgaCoded() {
  static Setup setup("coded.tga", makeTga(true, 3));
  return setup;
}
Setup& tgaRaw32() {
  static Setup setup("raw32.tga", makeTga(false, 4));
  return setup;
}

void copyFile(benchmark::State& state, Setup& s) {
  std::vector<uint8_t> buffer(kBufferSize);
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto dst = platform::File::createTruncate(s.target);
    size_t got;
    while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void hide(benchmark::State& state, Setup& s) {
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  const StreamShare share{0, s.entry.carrierBits, s.entry.carrierBits / 8 * 8};
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto dst = platform::File::createTruncate(s.target);
    auto stream = platform::File::openRead(s.stream);
    double percentage = 0;
    if (!carrierHandler(s.entry.type)
             .hide(src, dst, s.entry, share, {&stream, {}}, workspace, percentage)) {
      state.SkipWithError("hide failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void extract(benchmark::State& state, Setup& s) {
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto temp = platform::File::createTruncate(s.sink);
    ExtractionSink sink(workspace, temp);
    if (!carrierHandler(s.entry.type).extract(src, s.entry, sink, workspace) || !sink.flush()) {
      state.SkipWithError("extract failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void BM_PcxCodedCopy(benchmark::State& state) { copyFile(state, pcxCoded()); }
void BM_PcxCodedHide(benchmark::State& state) { hide(state, pcxCoded()); }
void BM_PcxCodedExtract(benchmark::State& state) { extract(state, pcxCoded()); }
void BM_PcxRawCopy(benchmark::State& state) { copyFile(state, pcxRaw()); }
void BM_PcxRawHide(benchmark::State& state) { hide(state, pcxRaw()); }
void BM_PcxRawExtract(benchmark::State& state) { extract(state, pcxRaw()); }
void BM_TgaCodedCopy(benchmark::State& state) { copyFile(state, tgaCoded()); }
void BM_TgaCodedHide(benchmark::State& state) { hide(state, tgaCoded()); }
void BM_TgaCodedExtract(benchmark::State& state) { extract(state, tgaCoded()); }
void BM_TgaRaw32Copy(benchmark::State& state) { copyFile(state, tgaRaw32()); }
void BM_TgaRaw32Hide(benchmark::State& state) { hide(state, tgaRaw32()); }
void BM_TgaRaw32Extract(benchmark::State& state) { extract(state, tgaRaw32()); }

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
