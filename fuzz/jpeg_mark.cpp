// JPEG mark over arbitrary bytes, then count and check of the target: the rewriting of the scans
// (stuffing gained and lost) must keep a file the count accepted a carrier of the same size, and
// the check must read the mark back whole.
#include <cstdlib>

#include "carriers/jpeg/jpeg.h"
#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("jpeg_mark");
  auto src = state.open(data, size);
  state.workspace.options.setLevel(LevelFormat::kJpg, size != 0 ? data[size - 1] % 7 : 3);
  IdentificationRecord record;
  if (!jpegHandler().count(src, record, state.workspace)) return 0;
  MarkField mark{};
  for (size_t i = 0; i < mark.size(); ++i) mark[i] = static_cast<uint8_t>(i * 37 + size);
  double percentage = 0;
  {
    auto dst = platform::File::createTruncate(state.sink);
    if (!jpegHandler().mark(src, dst, mark, state.workspace, percentage)) std::abort();
  }
  auto marked = platform::File::openRead(state.sink);
  IdentificationRecord again;
  if (!jpegHandler().count(marked, again, state.workspace) ||
      again.carrierBits != record.carrierBits) {
    std::abort();
  }
  CheckCollector collector;
  if (!jpegHandler().check(marked, again.carrierBits, collector, state.workspace)) std::abort();
  for (size_t p = 0; p < kMarkSize && collector.totalBits() >= 800; ++p) {
    for (int v = 0; v < 256; ++v) {
      if (v != mark[p] && collector.counter(p, static_cast<uint8_t>(v)) != 0) std::abort();
    }
  }
  return 0;
}
