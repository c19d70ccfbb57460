// Writing and reading a hidden stream of 16 MiB of text, mixed (text, binary, runs) or random
// content, beside zlib level 6 alone over the same bytes and a plain copy of the files. Peak memory
// is reported as a counter: it must not grow with the content, since the writer and reader work in
// the Workspace's fixed buffers.
#include "stream/hidden_stream.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace {

using namespace murl;

constexpr size_t kFiles = 16;
constexpr size_t kFileSize = 1 << 20;  // 16 files of 1 MiB: 16 MiB of content

// The payload kinds, as the benchmarks' argument: text, text/noise/runs in turn, and random
// bytes (what photos, archives and media look like to deflate).
enum Kind : int { kText = 0, kMixed = 1, kRandom = 2 };

std::vector<uint8_t> content(Kind kind, size_t index) {
  std::mt19937 gen(static_cast<uint32_t>(index));
  std::vector<uint8_t> out(kFileSize);
  static const char* kWords[] = {"stream ", "carrier ", "the ", "hidden ", "bits\n", "of "};
  const size_t form = kind == kText ? 0 : kind == kRandom ? 1 : index % 3;
  for (size_t at = 0; at < out.size();) {
    switch (form) {
      case 0:  // text
        for (const char* w = kWords[gen() % 6]; *w && at < out.size(); ++w) out[at++] = *w;
        break;
      case 1:  // binary noise
        out[at++] = static_cast<uint8_t>(gen());
        break;
      default:  // runs, like uncompressed images
        for (uint32_t n = gen() % 64, v = gen() & 0xFF; n > 0 && at < out.size(); --n) {
          out[at++] = static_cast<uint8_t>(v);
        }
    }
  }
  return out;
}

struct Fixture {
  explicit Fixture(Kind kind) : ws(reporter, Language::kEnglish) {
    folder = std::filesystem::temp_directory_path() /
             ("murl-bench-" + std::to_string(getpid()) + "-" + std::to_string(kind));
    std::filesystem::create_directories(folder);
    ws.tempFolder = folder.string() + "/";
    ws.password.take("benchmark password 0123");
    for (size_t i = 0; i < kFiles; ++i) {
      std::vector<uint8_t> data = content(kind, i);
      std::string path = (folder / ("f" + std::to_string(i))).string();
      platform::File f = platform::realFileSystem().createTruncate(path);
      f.writeExact(data.data(), data.size());
      tree.addFile(ws, tree.root(), path);
      paths.push_back(path);
    }
    tree.sort();
  }
  ~Fixture() { std::filesystem::remove_all(folder); }

  SilentReporter reporter;
  Workspace ws;
  SourceTree tree;
  std::filesystem::path folder;
  std::vector<std::string> paths;
  // The content is not kept in memory, so peak memory shows what writing and reading take.
  const size_t contentSize = kFiles * kFileSize;
};

Fixture& fixture(int64_t kind) {
  static std::unique_ptr<Fixture> fixtures[3];
  if (!fixtures[kind]) fixtures[kind] = std::make_unique<Fixture>(static_cast<Kind>(kind));
  return *fixtures[kind];
}

void peakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Arguments: payload kind, compression level index, cipher workers (0: the job's thread alone).
void BM_WriteHiddenStream(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  f.ws.options.compressionLevel = static_cast<uint8_t>(state.range(1));
  const auto workers = static_cast<unsigned>(state.range(2));
  JobListener quiet;
  uint32_t bits = 0;
  for (auto _ : state) {
    TempFile stream;
    if (!writeHiddenStream(f.ws, f.tree, quiet, stream, bits, workers)) {
      state.SkipWithError("write failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.contentSize));
  state.counters["ratio%"] = 100.0 * (bits / 8) / static_cast<double>(f.contentSize);
  peakMemory(state);
}
BENCHMARK(BM_WriteHiddenStream)
    ->ArgsProduct({{kText, kMixed, kRandom}, {3}, {2}})
    ->Args({kMixed, 0, 2})
    ->Args({kRandom, 3, 0})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: payload kind, cipher workers.
void BM_ReadHiddenStream(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  const auto workers = static_cast<unsigned>(state.range(1));
  f.ws.options.compressionLevel = 3;
  JobListener quiet;
  TempFile stream;
  uint32_t bits = 0;
  if (!writeHiddenStream(f.ws, f.tree, quiet, stream, bits)) state.SkipWithError("write failed");
  for (auto _ : state) {
    TempFile decoded;
    ExtractionTree tree;
    if (!readHiddenStream(f.ws, stream.file(), bits / 8, quiet, decoded, tree, workers)) {
      state.SkipWithError("read failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.contentSize));
  peakMemory(state);
}
BENCHMARK(BM_ReadHiddenStream)
    ->ArgsProduct({{kText, kMixed, kRandom}, {2}})
    ->Args({kRandom, 0})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Baseline: the content's files copied into one file through the same file layer.
void BM_FileCopyAlone(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  std::vector<uint8_t> buffer(1 << 20);
  const std::string target = (f.folder / "copy").string();
  for (auto _ : state) {
    platform::File out = platform::realFileSystem().createTruncate(target);
    for (const std::string& path : f.paths) {
      platform::File in = platform::realFileSystem().openRead(path);
      in.readExact(buffer.data(), buffer.size());
      out.writeExact(buffer.data(), buffer.size());
    }
  }
  std::filesystem::remove(target);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.contentSize));
}
BENCHMARK(BM_FileCopyAlone)->Arg(kRandom)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// Baseline: zlib level 6 over the same bytes in one call (run last: it holds them all in
// memory).
void BM_ZlibLevel6Alone(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  std::vector<uint8_t> all;
  for (size_t i = 0; i < kFiles; ++i) {
    std::vector<uint8_t> data = content(static_cast<Kind>(state.range(0)), i);
    all.insert(all.end(), data.begin(), data.end());
  }
  std::vector<uint8_t> out(compressBound(all.size()));
  for (auto _ : state) {
    uLongf n = out.size();
    compress2(out.data(), &n, all.data(), all.size(), 6);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.contentSize));
}
BENCHMARK(BM_ZlibLevel6Alone)
    ->Arg(kText)
    ->Arg(kMixed)
    ->Arg(kRandom)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
