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

// Writes an 8-bit RGB PNG with libpng, row by row from `next`.
template <class NextRow>
bool writeWithLibpng(const std::string& path, NextRow&& next) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> row(kWidth * 3);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, out);
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
  std::fclose(out);
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
  return ok && writeWithLibpng(to, [&](uint32_t y, std::vector<uint8_t>& row) {
           std::copy(rows[y], rows[y] + row.size(), row.begin());
         });
}

bench::CarrierBench& setup() {
  static bench::CarrierBench files("png");
  static const bool written = [] {
    std::mt19937 random(1);
    if (!writeWithLibpng(files.carrier(), [&](uint32_t y, std::vector<uint8_t>& row) {
          photoRow(y, random, row);
        })) {
      std::abort();
    }
    files.prepare(2);
    return true;
  }();
  (void)written;
  return files;
}

void BM_LibpngDecodeAndReencode(benchmark::State& state) {
  bench::CarrierBench& s = setup();
  const std::string target = s.carrier() + ".libpng.png";
  const uint64_t before = bench::resetPeak();
  for (auto _ : state) {
    if (!reencodeWithLibpng(s.carrier(), target)) state.SkipWithError("libpng failed");
  }
  bench::reportPeak(state, before);
  platform::removeFile(target);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}

[[maybe_unused]] const bool registered = bench::registerCarrierBenchmarks("Png", setup);
BENCHMARK(BM_LibpngDecodeAndReencode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
