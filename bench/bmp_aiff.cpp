// Hide and extract throughput of the BMP and AIFF carriers beside a plain copy of the same file
// through the same 4 MiB buffer, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "core/workspace.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace murl {
namespace {

class NoReporter : public Reporter {
 public:
  void warn(const Message& m) override { std::fprintf(stderr, "%s\n", m.text.c_str()); }
  void error(const Message& m) override { warn(m); }
  void report(const Message&) override {}
  bool askYesNo(const Message&) override { return false; }
};

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

struct Setup {
  NoReporter reporter;
  Workspace workspace{reporter, Language::kEnglish};
  std::string folder = platform::tempFolder();
  std::string carrier, target, stream, sink;
  CarrierEntry entry;
  uint64_t size = 0;

  Setup(const std::string& name, const std::vector<uint8_t>& bytes, CarrierType type)
      : carrier(folder + "murl_bench_" + name),
        target(folder + "murl_bench_target_" + name),
        stream(folder + "murl_bench_stream_" + name),
        sink(folder + "murl_bench_sink_" + name),
        size(bytes.size()) {
    write(carrier, bytes);
    auto src = platform::File::openRead(carrier);
    IdentificationRecord record;
    record.type = type;
    carrierHandler(type).count(src, carrier, record, workspace);
    entry = {record.type, record.carrierBits, {}, carrier};
    uint32_t state = 3;
    std::vector<uint8_t> bits(record.carrierBits / 8 + 1);
    for (auto& b : bits) b = noise(state);
    write(stream, bits);
  }
  ~Setup() {
    for (const auto& path : {carrier, target, stream, sink}) platform::removeFile(path);
  }
  static void write(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto f = platform::File::createTruncate(path);
    f.writeExact(bytes.data(), bytes.size());
  }
};

Setup& bmpSetup() {
  static Setup setup("b.bmp", makeBmp(), CarrierType::kBmpColour);
  return setup;
}
Setup& aiffSetup() {
  static Setup setup("a.aif", makeAiff(), CarrierType::kAiff);
  return setup;
}

void copyFile(benchmark::State& state, Setup& s) {
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto dst = platform::File::createTruncate(s.target);
    if (!copyBytes(src, dst, s.size, s.workspace)) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void hide(benchmark::State& state, Setup& s) {
  const StreamShare share{0, s.entry.carrierBits, s.entry.carrierBits};
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto dst = platform::File::createTruncate(s.target);
    auto stream = platform::File::openRead(s.stream);
    HideJob job{&stream, {}};
    double percentage;
    if (!carrierHandler(s.entry.type)
             .hide(src, dst, s.entry, share, job, s.workspace, percentage)) {
      state.SkipWithError("hide failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void extract(benchmark::State& state, Setup& s) {
  for (auto _ : state) {
    auto src = platform::File::openRead(s.carrier);
    auto temp = platform::File::createTruncate(s.sink);
    ExtractionSink sink(s.workspace, temp);
    if (!carrierHandler(s.entry.type).extract(src, s.entry, sink, s.workspace) || !sink.flush()) {
      state.SkipWithError("extract failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void BM_BmpFileCopy(benchmark::State& state) { copyFile(state, bmpSetup()); }
void BM_BmpHide(benchmark::State& state) { hide(state, bmpSetup()); }
void BM_BmpExtract(benchmark::State& state) { extract(state, bmpSetup()); }
void BM_AiffFileCopy(benchmark::State& state) { copyFile(state, aiffSetup()); }
void BM_AiffHide(benchmark::State& state) { hide(state, aiffSetup()); }
void BM_AiffExtract(benchmark::State& state) { extract(state, aiffSetup()); }

BENCHMARK(BM_BmpFileCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpHide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpExtract)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffFileCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffHide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AiffExtract)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace murl
