// PNG hide and extract on a photo-like 24-megapixel RGB image (6000 x 4000, 8 bits), beside a
// plain copy of the file and a decode and re-encode of the same image by libpng at the same zlib
// level (6, the default PNG compression option) with its filter heuristic over all five types,
// measured in the same run. Each benchmark also reports its peak memory beyond what the process
// held before it (peak_extra_MiB), read from the kernel's high-water mark.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/carrier_bench.h"

namespace murl {
namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr int kZlibLevel = 6;

// Smooth light over the frame, a few edges, and sensor noise of a few levels: about what a
// camera's picture gives the filters and deflate.
void photoRow(uint32_t y, std::mt19937& random, std::vector<uint8_t>& row) {
  std::normal_distribution<double> noise(0.0, 2.5);
  for (uint32_t x = 0; x < kWidth; ++x) {
    const double light = 110 + 60 * std::sin(x / 700.0) * std::cos(y / 500.0);
    const double edge = ((x / 900 + y / 650) % 3) * 18.0;
    for (uint32_t c = 0; c < 3; ++c) {
      const double v = light + edge + c * 12.0 + noise(random);
      row[x * 3 + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }
  }
}

// An 8-bit RGB PNG made by libpng, row by row from `next`, written where `io` points it.
template <class Io, class NextRow>
bool encodeWithLibpng(Io&& io, NextRow&& next) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> row(kWidth * 3);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    io(png);
    png_set_compression_level(png, kZlibLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (uint32_t y = 0; y < kHeight; ++y) {
      next(y, row);
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return ok;
}

// Reads the whole image with libpng, as a program that edits pixels would, then writes it again.
bool reencodeWithLibpng(const std::string& from, const std::string& to) {
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> pixels(size_t{kWidth} * 3 * kHeight);
  std::vector<png_bytep> rows(kHeight);
  for (uint32_t y = 0; y < kHeight; ++y) rows[y] = pixels.data() + size_t{y} * kWidth * 3;
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, in);
    png_read_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    ok = true;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(in);
  if (!ok) return false;
  FILE* out = std::fopen(to.c_str(), "wb");
  if (!out) return false;
  ok = encodeWithLibpng([out](png_structp p) { png_init_io(p, out); },
                        [&](uint32_t y, std::vector<uint8_t>& row) {
                          std::copy(rows[y], rows[y] + row.size(), row.begin());
                        });
  std::fclose(out);
  return ok;
}

// The kernel's high-water mark of resident memory, in KiB, reset to the current resident size
// before a measurement; what a benchmark used beyond that goes out as peak_extra_MiB.
uint64_t statusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  uint64_t value = 0;
  while (status >> key) {
    if (key == field) return status >> value ? value : 0;
  }
  return 0;
}
uint64_t resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return statusKiB("VmRSS:");
}
void reportPeak(benchmark::State& state, uint64_t before) {
  state.counters["peak_extra_MiB"] = static_cast<double>(statusKiB("VmHWM:") - before) / 1024.0;
}

std::vector<uint8_t> makePng() {
  std::mt19937 random(1);
  std::vector<uint8_t> bytes;
  const auto intoBytes = [&bytes](png_structp p) {
    png_set_write_fn(
        p, &bytes,
        [](png_structp q, png_bytep data, size_t n) {
          auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(q));
          out->insert(out->end(), data, data + n);
        },
        nullptr);
  };
  if (!encodeWithLibpng(intoBytes,
                        [&](uint32_t y, std::vector<uint8_t>& row) { photoRow(y, random, row); })) {
    std::abort();
  }
  return bytes;
}

bench::CarrierBench& setup() {
  static std::mt19937 random(2);
  static bench::CarrierBench instance("carrier.png", makePng(), CarrierType::kPng,
                                      [](size_t) { return static_cast<uint8_t>(random()); });
  return instance;
}

// Peak memory is measured from the first iteration on; the setup before it does not count.
template <void (bench::CarrierBench::*Run)(benchmark::State&)>
void withPeak(benchmark::State& state) {
  bench::CarrierBench& files = setup();
  const uint64_t before = resetPeak();
  (files.*Run)(state);
  reportPeak(state, before);
}

void BM_PlainCopy(benchmark::State& state) { setup().copy(state); }
void BM_PngHide(benchmark::State& state) { withPeak<&bench::CarrierBench::hide>(state); }
void BM_PngExtract(benchmark::State& state) { withPeak<&bench::CarrierBench::extract>(state); }

void BM_LibpngDecodeAndReencode(benchmark::State& state) {
  const bench::CarrierBench& files = setup();
  const std::string from = files.entry().path;
  const std::string to = from + ".libpng.png";
  const uint64_t before = resetPeak();
  for (auto _ : state) {
    if (!reencodeWithLibpng(from, to)) state.SkipWithError("libpng failed");
  }
  reportPeak(state, before);
  platform::realFileSystem().remove(to);
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * platform::realFileSystem().openRead(from).size()));
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngDecodeAndReencode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngHide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
