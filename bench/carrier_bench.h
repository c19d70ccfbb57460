#pragma once
// The loops every carrier benchmark runs over one carrier file: a plain copy through a 4 MiB
// buffer (the baseline), hide of every carrier bit, extract of them all.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "platform/file.h"

namespace murl::bench {

// The files of one benchmark: the carrier, a stream of its carrier bits, where targets and
// extracted bits go.
struct CarrierFiles {
  std::string carrier;
  std::string stream;
  std::string target;
  std::string sink;
  uint64_t size = 0;  // the carrier's bytes: what each iteration processes
  CarrierEntry entry;
};

inline void plainCopy(benchmark::State& state, const CarrierFiles& files) {
  std::vector<uint8_t> buffer(0x400000);
  for (auto _ : state) {
    auto src = platform::File::openRead(files.carrier);
    auto dst = platform::File::createTruncate(files.target);
    size_t got;
    while ((got = src.read(buffer.data(), buffer.size())) > 0) dst.write(buffer.data(), got);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.size));
}

inline void hideAll(benchmark::State& state, const CarrierHandler& handler,
                    const CarrierFiles& files) {
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  const uint32_t bits = files.entry.carrierBits;
  for (auto _ : state) {
    auto src = platform::File::openRead(files.carrier);
    auto dst = platform::File::createTruncate(files.target);
    auto stream = platform::File::openRead(files.stream);
    double percentage = 0;
    const StreamShare share{0, bits, bits / 8 * 8};
    if (!handler.hide(src, dst, files.entry, share, {&stream, {}}, workspace, percentage)) {
      state.SkipWithError("hide failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.size));
}

inline void extractAll(benchmark::State& state, const CarrierHandler& handler,
                       const CarrierFiles& files) {
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  for (auto _ : state) {
    auto src = platform::File::openRead(files.carrier);
    auto temp = platform::File::createTruncate(files.sink);
    ExtractionSink sink(workspace, temp);
    if (!handler.extract(src, files.entry, sink, workspace) || !sink.flush()) {
      state.SkipWithError("extract failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.size));
}

}  // namespace murl::bench
