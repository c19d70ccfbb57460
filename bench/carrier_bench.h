#pragma once
// What the carrier benchmarks share: one carrier written to the temporary folder with a stream
// of its carrier bits, removed when the program ends, and the timed loops over it: a plain copy
// through a 4 MiB buffer (the baseline), count, hide of the whole stream, extract.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/registry.h"
#include "core/workspace.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace murl::bench {

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  auto file = platform::realFileSystem().createTruncate(path);
  if (!file.writeExact(bytes.data(), bytes.size())) std::abort();
}

class CarrierBench {
 public:
  // Writes `bytes` as "murl_bench_" + `name` and counts it as `type`; aborts when it is no
  // carrier. The stream holds the carrier's bits of `streamByte(i)`.
  template <class StreamByte>
  CarrierBench(const std::string& name, const std::vector<uint8_t>& bytes, CarrierType type,
               StreamByte&& streamByte)
      : carrier_(folder_ + "murl_bench_" + name),
        target_(folder_ + "murl_bench_target_" + name),
        stream_(folder_ + "murl_bench_stream_" + name),
        sink_(folder_ + "murl_bench_sink_" + name),
        size_(bytes.size()) {
    writeFile(carrier_, bytes);
    auto src = platform::realFileSystem().openRead(carrier_);
    IdentificationRecord record;
    record.type = type;
    if (!carrierHandler(type).count(src, record, workspace_) || record.rejected) std::abort();
    entry_ = {record.type, record.carrierBits, record.parts, carrier_};
    std::vector<uint8_t> stream(record.carrierBits / 8 + 1);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = streamByte(i);
    writeFile(stream_, stream);
  }
  ~CarrierBench() {
    for (const auto& path : {carrier_, target_, stream_, sink_})
      platform::realFileSystem().remove(path);
  }
  CarrierBench(const CarrierBench&) = delete;
  CarrierBench& operator=(const CarrierBench&) = delete;

  const CarrierEntry& entry() const { return entry_; }

  void copy(benchmark::State& state) {
    std::vector<uint8_t> buffer(kBufferSize);
    for (auto _ : state) {
      auto src = platform::realFileSystem().openRead(carrier_);
      auto dst = platform::realFileSystem().createTruncate(target_);
      size_t got;
      while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_));
  }

  // The count pass every hide and unhide starts with.
  void count(benchmark::State& state) {
    for (auto _ : state) {
      auto src = platform::realFileSystem().openRead(carrier_);
      IdentificationRecord record;
      record.type = entry_.type;
      if (!carrierHandler(entry_.type).count(src, record, workspace_) ||
          record.carrierBits != entry_.carrierBits) {
        state.SkipWithError("count failed");
      }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_));
  }

  void hide(benchmark::State& state) {
    const StreamShare share{0, entry_.carrierBits, entry_.carrierBits / 8 * 8};
    for (auto _ : state) {
      auto src = platform::realFileSystem().openRead(carrier_);
      auto dst = platform::realFileSystem().createTruncate(target_);
      auto stream = platform::realFileSystem().openRead(stream_);
      HideJob job{&stream, {}};
      double percentage;
      if (!carrierHandler(entry_.type).hide(src, dst, entry_, share, job, workspace_, percentage)) {
        state.SkipWithError("hide failed");
      }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_));
  }

  void extract(benchmark::State& state) {
    for (auto _ : state) {
      auto src = platform::realFileSystem().openRead(carrier_);
      auto temp = platform::realFileSystem().createTruncate(sink_);
      ExtractionSink sink(workspace_, temp);
      if (!carrierHandler(entry_.type).extract(src, entry_, sink, workspace_) || !sink.flush()) {
        state.SkipWithError("extract failed");
      }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_));
  }

 private:
  SilentReporter reporter_;
  Workspace workspace_{reporter_, Language::kEnglish};
  std::string folder_ = platform::tempFolder();
  std::string carrier_, target_, stream_, sink_;
  uint64_t size_;
  CarrierEntry entry_;
};

}  // namespace murl::bench
