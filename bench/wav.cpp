// WAV count, hide and extract throughput on a 50 MB carrier, beside a plain copy of the same file;
// and the hiding job over that carrier with and without reading its target back.
#include <filesystem>
#include <random>
#include <vector>

#include "bench/carrier_bench.h"
#include "jobs/hiding_session.h"
#include "platform/byte_order.h"
#include "platform/folders.h"

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

// A hiding run whose stream fills the carrier: a file of random bytes a little smaller than its
// carrier bits, built into the stream once; each iteration writes the target anew.
class HidingJobBench {
 public:
  explicit HidingJobBench(const CarrierEntry& carrier)
      : source_(folder_ + "murl_bench_source.bin"), output_(folder_ + "murl_bench_out") {
    std::mt19937 random(3);
    std::vector<uint8_t> bytes(carrier.carrierBits / 8 - 0x4000);
    for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
    bench::writeFile(source_, bytes);
    std::filesystem::create_directory(output_);
    startSession(workspace_);
    workspace_.password.take("a password for the benchmark");
    if (!session_.addSource(source_) || !session_.buildStream(options_) ||
        !session_.addCarriers({carrier.path}, options_, nullptr) || session_.missingBits() != 0)
      std::abort();
    target_ = output_ + "/" + platform::baseName(carrier.path);
  }
  ~HidingJobBench() {
    session_.reset();
    for (const auto& path : {source_, target_, output_}) std::filesystem::remove(path);
  }

  void run(benchmark::State& state, bool verify) {
    for (auto _ : state) {
      state.PauseTiming();
      platform::realFileSystem().remove(target_);
      state.ResumeTiming();
      if (!session_.writeCarriers(output_, options_, verify)) state.SkipWithError("hide failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(
        state.iterations() * platform::realFileSystem().openRead(target_).size()));
  }

 private:
  SilentReporter reporter_;
  Workspace workspace_{reporter_, Language::kEnglish};
  JobListener listener_;
  HidingSession session_{workspace_, listener_};
  Options options_;
  std::string folder_ = platform::tempFolder();
  std::string source_, output_, target_;
};

HidingJobBench& hidingJob() {
  static HidingJobBench instance(setup().entry());
  return instance;
}

void BM_PlainCopy(benchmark::State& state) { setup().copy(state); }
void BM_WavCount(benchmark::State& state) { setup().count(state); }
void BM_WavHide(benchmark::State& state) { setup().hide(state); }
void BM_WavExtract(benchmark::State& state) { setup().extract(state); }

void BM_WavHidingJob(benchmark::State& state) { hidingJob().run(state, false); }
void BM_WavHidingJobVerified(benchmark::State& state) { hidingJob().run(state, true); }

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Name("BM_PlainCopyCpu");
BENCHMARK(BM_WavCount)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_WavHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavHidingJob)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WavHidingJobVerified)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
