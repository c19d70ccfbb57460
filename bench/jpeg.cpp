// JPEG hide and extract of a 12-megapixel photograph beside `jpegtran -copy all` (a lossless
// transcode: every scan decoded and encoded again, every marker copied) and a plain copy of the
// same file, in the same run. The photograph is made by cjpeg from a synthetic image, so the
// program needs libjpeg-turbo's tools (MURL_WITH_BENCH=1 scripts/setup.sh installs them).
// Each benchmark reports the process's peak resident memory so far; jpegtran's is its own.
#include "carriers/jpeg/jpeg.h"

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "bench/carrier_bench.h"
#include "platform/temp_folder.h"

namespace murl {
namespace {

constexpr uint32_t kWidth = 4032;
constexpr uint32_t kHeight = 3024;

// Smooth shapes with fine grain, row by row to the file: as busy as a photograph of a scene.
void writePhotoPpm(const std::string& path) {
  auto file = platform::realFileSystem().createTruncate(path);
  const std::string head =
      "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  file.writeExact(head.data(), head.size());
  std::mt19937 random(7);
  std::normal_distribution<double> grain(0.0, 7.0);
  std::vector<uint8_t> row(size_t{kWidth} * 3);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      const double base =
          128 + 60 * std::sin(x / 97.0) * std::cos(y / 61.0) + 30 * std::sin((x + 2.0 * y) / 23.0);
      for (uint32_t c = 0; c < 3; ++c) {
        const double v = base + 25.0 * std::sin((x * (c + 1) + y) / 151.0) + grain(random);
        row[3 * x + c] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
      }
    }
    file.writeExact(row.data(), row.size());
  }
}

double peakMiB(int who = RUSAGE_SELF) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The photograph as cjpeg wrote it, kept for jpegtran until the program ends.
struct Photo {
  std::string path = platform::tempFolder() + "murl_bench_photo_source.jpg";
  std::string transcoded = platform::tempFolder() + "murl_bench_photo_jpegtran.jpg";
  std::vector<uint8_t> bytes;

  Photo() {
    const std::string ppm = platform::tempFolder() + "murl_bench_photo.ppm";
    writePhotoPpm(ppm);
    const bool made =
        std::system(("cjpeg -quality 90 '" + ppm + "' > '" + path + "'").c_str()) == 0;
    platform::realFileSystem().remove(ppm);
    auto file = platform::realFileSystem().openRead(path);
    bytes.resize(file.size());
    if (!made || bytes.empty() || !file.readExact(bytes.data(), bytes.size())) {
      std::fprintf(stderr, "cjpeg failed: install libjpeg-turbo-progs\n");
      std::abort();
    }
  }
  ~Photo() {
    platform::realFileSystem().remove(path);
    platform::realFileSystem().remove(transcoded);
  }
};

Photo& photo() {
  static Photo instance;
  return instance;
}

bench::CarrierBench& setup() {
  static std::mt19937 random(1);
  static bench::CarrierBench instance("photo.jpg", photo().bytes, CarrierType::kJpeg,
                                      [](size_t) { return static_cast<uint8_t>(random()); });
  static const bool told = [] {
    std::fprintf(stderr, "photo: %u x %u, %zu bytes, %u carrier bits at level 3\n", kWidth, kHeight,
                 photo().bytes.size(), instance.entry().carrierBits);
    return true;
  }();
  (void)told;
  return instance;
}

void BM_PlainCopy(benchmark::State& state) {
  setup().copy(state);
  state.counters["peak_MiB"] = peakMiB();
}

void BM_JpegHide(benchmark::State& state) {
  setup().hide(state);
  state.counters["peak_MiB"] = peakMiB();
}

void BM_JpegExtract(benchmark::State& state) {
  setup().extract(state);
  state.counters["peak_MiB"] = peakMiB();
}

void BM_JpegtranCopyAll(benchmark::State& state) {
  const Photo& p = photo();
  const std::string command = "jpegtran -copy all '" + p.path + "' > '" + p.transcoded + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("jpegtran failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes.size()));
  state.counters["peak_MiB"] = peakMiB(RUSAGE_CHILDREN);
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegtranCopyAll)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
