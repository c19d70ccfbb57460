// WAV hide and extract throughput on a 50 MB carrier, beside a plain copy of the same file.
#include "carriers/wav/wav.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/identify.h"
#include "platform/byte_order.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace murl {
namespace {

struct Setup {
  std::string folder = platform::tempFolder();
  std::string carrier = folder + "murl_bench_carrier.wav";
  std::string stream = folder + "murl_bench_stream.tmp";
  std::string target = folder + "murl_bench_target.wav";
  std::string sink = folder + "murl_bench_sink.tmp";
  uint64_t size = 0;
  CarrierEntry entry;

  Setup() {
    // Stereo 16-bit music-like noise: most samples loud enough at the default level.
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
    write(carrier, bytes);
    size = bytes.size();
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    IdentificationRecord record;
    if (!identify(carrier, IdentifyPurpose::kHiding, record, workspace)) std::abort();
    entry = {record.type, record.carrierBits, {}, carrier};
    std::vector<uint8_t> streamBytes(record.carrierBits / 8);
    for (auto& b : streamBytes) b = static_cast<uint8_t>(random());
    write(stream, streamBytes);
  }
  ~Setup() {
    for (const auto& path : {carrier, stream, target, sink})
      platform::realFileSystem().remove(path);
  }
  static void write(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto file = platform::realFileSystem().createTruncate(path);
    if (!file.writeExact(bytes.data(), bytes.size())) std::abort();
  }
};

Setup& setup() {
  static Setup instance;
  return instance;
}

void BM_PlainCopy(benchmark::State& state) {
  Setup& s = setup();
  std::vector<uint8_t> buffer(0x400000);
  for (auto _ : state) {
    auto src = platform::realFileSystem().openRead(s.carrier);
    auto dst = platform::realFileSystem().createTruncate(s.target);
    size_t got;
    while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void BM_WavHide(benchmark::State& state) {
  Setup& s = setup();
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  for (auto _ : state) {
    auto src = platform::realFileSystem().openRead(s.carrier);
    auto dst = platform::realFileSystem().createTruncate(s.target);
    auto stream = platform::realFileSystem().openRead(s.stream);
    double percentage = 0;
    StreamShare share{0, s.entry.carrierBits, s.entry.carrierBits / 8 * 8};
    if (!wavHandler().hide(src, dst, s.entry, share, {&stream, {}}, workspace, percentage)) {
      state.SkipWithError("hide failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void BM_WavExtract(benchmark::State& state) {
  Setup& s = setup();
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  for (auto _ : state) {
    auto src = platform::realFileSystem().openRead(s.carrier);
    auto temp = platform::realFileSystem().createTruncate(s.sink);
    ExtractionSink sink(workspace, temp);
    if (!wavHandler().extract(src, s.entry, sink, workspace) || !sink.flush()) {
      state.SkipWithError("extract failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
