#pragma once
// Hide and extract throughput of one carrier file beside a plain copy of the same file, measured
// in the same run: each format's benchmark program makes its carrier and registers the three.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/identify.h"
#include "carriers/registry.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace murl::bench {

// The carrier written to the temporary folder, identified, and a stream file that fills it.
class CarrierBench {
 public:
  CarrierBench(const std::string& extension, const std::vector<uint8_t>& bytes)
      : carrier_(folder_ + "murl_bench_carrier." + extension),
        target_(folder_ + "murl_bench_target." + extension),
        size_(bytes.size()) {
    write(carrier_, bytes);
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    IdentificationRecord record;
    if (!identify(carrier_, IdentifyPurpose::kHiding, record, workspace)) std::abort();
    entry_ = {record.type, record.carrierBits, {}, carrier_};
    std::mt19937 random(7);
    std::vector<uint8_t> streamBytes(record.carrierBits / 8);
    for (auto& b : streamBytes) b = static_cast<uint8_t>(random());
    write(stream_, streamBytes);
  }
  ~CarrierBench() {
    for (const auto& path : {carrier_, stream_, target_, sink_}) platform::removeFile(path);
  }
  CarrierBench(const CarrierBench&) = delete;
  CarrierBench& operator=(const CarrierBench&) = delete;

  void plainCopy(benchmark::State& state) const {
    std::vector<uint8_t> buffer(0x400000);
    for (auto _ : state) {
      auto src = platform::File::openRead(carrier_);
      auto dst = platform::File::createTruncate(target_);
      size_t got;
      while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
    }
    bytesProcessed(state);
  }

  void hide(benchmark::State& state) const {
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    const StreamShare share{0, entry_.carrierBits, entry_.carrierBits / 8 * 8};
    for (auto _ : state) {
      auto src = platform::File::openRead(carrier_);
      auto dst = platform::File::createTruncate(target_);
      auto stream = platform::File::openRead(stream_);
      double percentage = 0;
      if (!carrierHandler(entry_.type)
               .hide(src, dst, entry_, share, {&stream, {}}, workspace, percentage)) {
        state.SkipWithError("hide failed");
      }
    }
    bytesProcessed(state);
  }

  void extract(benchmark::State& state) const {
    SilentReporter reporter;
    Workspace workspace(reporter, Language::kEnglish);
    for (auto _ : state) {
      auto src = platform::File::openRead(carrier_);
      auto temp = platform::File::createTruncate(sink_);
      ExtractionSink sink(workspace, temp);
      if (!carrierHandler(entry_.type).extract(src, entry_, sink, workspace) || !sink.flush()) {
        state.SkipWithError("extract failed");
      }
    }
    bytesProcessed(state);
  }

 private:
  static void write(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto file = platform::File::createTruncate(path);
    if (!file.writeExact(bytes.data(), bytes.size())) std::abort();
  }
  void bytesProcessed(benchmark::State& state) const {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_));
  }

  std::string folder_ = platform::tempFolder();
  std::string carrier_;
  std::string stream_ = folder_ + "murl_bench_stream.tmp";
  std::string target_;
  std::string sink_ = folder_ + "murl_bench_sink.tmp";
  uint64_t size_;
  CarrierEntry entry_;
};

// Registers BM_PlainCopy, BM_<name>Hide and BM_<name>Extract over the carrier `setup` makes on
// first use; returns true so a program can call it from a static initializer.
inline bool registerCarrierBenchmarks(const std::string& name, CarrierBench& (*setup)()) {
  auto add = [](const std::string& label, auto run) {
    benchmark::RegisterBenchmark(label.c_str(), run)->Unit(benchmark::kMillisecond)->UseRealTime();
  };
  add("BM_PlainCopy", [setup](benchmark::State& state) { setup().plainCopy(state); });
  add("BM_" + name + "Hide", [setup](benchmark::State& state) { setup().hide(state); });
  add("BM_" + name + "Extract", [setup](benchmark::State& state) { setup().extract(state); });
  return true;
}

}  // namespace murl::bench
