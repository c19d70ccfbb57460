#pragma once
// What the carrier benchmarks share: a carrier file and a stream of random bits for all of its
// carrier bits, under names of this process's own (other benchmarks may run beside it in the same
// folder), a plain copy of the file as the yardstick, and one hide or extract of all its bits.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/identify.h"
#include "carriers/registry.h"
#include "core/reporter.h"
#include "core/workspace.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace murl::bench {

// Says why an operation failed, where a benchmark can only say that it did.
class PrintingReporter : public SilentReporter {
 public:
  void warn(const Message& m) override { std::fprintf(stderr, "%s\n", m.text.c_str()); }
  void error(const Message& m) override { warn(m); }
};

class CarrierBench {
 public:
  explicit CarrierBench(const std::string& extension) {
    const std::string prefix =
        platform::tempFolder() + "murl_bench_" + std::to_string(::getpid()) + "_";
    carrier_ = prefix + "carrier." + extension;
    target_ = prefix + "target." + extension;
    stream_ = prefix + "stream.tmp";
    sink_ = prefix + "sink.tmp";
  }
  ~CarrierBench() {
    for (const auto& path : {carrier_, target_, stream_, sink_}) platform::removeFile(path);
  }
  CarrierBench(const CarrierBench&) = delete;
  CarrierBench& operator=(const CarrierBench&) = delete;

  // Where the caller writes the carrier before prepare().
  const std::string& carrier() const { return carrier_; }
  uint64_t size() const { return size_; }

  // Identifies the carrier and writes a stream of random bits for all its carrier bits.
  void prepare(uint32_t seed) {
    size_ = platform::File::openRead(carrier_).size();
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    IdentificationRecord record;
    if (!identify(carrier_, IdentifyPurpose::kHiding, record, workspace)) std::abort();
    entry_ = {record.type, record.carrierBits, {}, carrier_};
    std::mt19937 random(seed);
    std::vector<uint8_t> bits(record.carrierBits / 8);
    for (auto& b : bits) b = static_cast<uint8_t>(random());
    auto file = platform::File::createTruncate(stream_);
    if (!file.writeExact(bits.data(), bits.size())) std::abort();
  }

  void copy() const {
    std::vector<uint8_t> buffer(kBufferSize);
    auto src = platform::File::openRead(carrier_);
    auto dst = platform::File::createTruncate(target_);
    size_t got;
    while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
  }

  bool hide(Workspace& workspace) const {
    auto src = platform::File::openRead(carrier_);
    auto dst = platform::File::createTruncate(target_);
    auto stream = platform::File::openRead(stream_);
    double percentage = 0;
    const StreamShare share{0, entry_.carrierBits, entry_.carrierBits / 8 * 8};
    return carrierHandler(entry_.type)
        .hide(src, dst, entry_, share, {&stream, {}}, workspace, percentage);
  }

  bool extract(Workspace& workspace) const {
    auto src = platform::File::openRead(carrier_);
    auto temp = platform::File::createTruncate(sink_);
    ExtractionSink sink(workspace, temp);
    return carrierHandler(entry_.type).extract(src, entry_, sink, workspace) && sink.flush();
  }

 private:
  std::string carrier_, target_, stream_, sink_;
  uint64_t size_ = 0;
  CarrierEntry entry_;
};

// The kernel's high-water mark of resident memory, in KiB, reset to the current resident size
// before a measurement; what a benchmark used beyond that goes out as peak_extra_MiB.
inline uint64_t statusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  uint64_t value = 0;
  while (status >> key) {
    if (key == field) return status >> value ? value : 0;
  }
  return 0;
}
inline uint64_t resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return statusKiB("VmRSS:");
}
inline void reportPeak(benchmark::State& state, uint64_t before) {
  state.counters["peak_extra_MiB"] = static_cast<double>(statusKiB("VmHWM:") - before) / 1024.0;
}

// Registers BM_PlainCopy, BM_<format>Hide and BM_<format>Extract over the files `files()` gives
// (made on first use). Call it from a namespace-scope initializer.
inline bool registerCarrierBenchmarks(const std::string& format, CarrierBench& (*files)()) {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime();
  };
  timed(benchmark::RegisterBenchmark("BM_PlainCopy", [files](benchmark::State& state) {
    CarrierBench& s = files();
    for (auto _ : state) s.copy();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
  }));
  const auto operation = [files](bool hide) {
    return [files, hide](benchmark::State& state) {
      CarrierBench& s = files();
      PrintingReporter reporter;
      Workspace workspace(reporter, Language::kEnglish);
      const uint64_t before = resetPeak();
      for (auto _ : state) {
        if (!(hide ? s.hide(workspace) : s.extract(workspace))) state.SkipWithError("failed");
      }
      reportPeak(state, before);
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
    };
  };
  timed(benchmark::RegisterBenchmark(("BM_" + format + "Hide").c_str(), operation(true)));
  timed(benchmark::RegisterBenchmark(("BM_" + format + "Extract").c_str(), operation(false)));
  return true;
}

}  // namespace murl::bench
