// JPEG count, extract, check and mark over arbitrary bytes must refuse or succeed cleanly, never
// crash; a file the count accepts must count the same after marking (stuffing gained and lost
// included) and give its mark back whole. Seed it with tests/data/jpeg_*.jpg.
#include "carriers/jpeg/jpeg.h"

#include <cstdlib>

#include "fuzz/carrier_fuzz.h"

using namespace murl;

namespace {

void markAndCheck(fuzz::CarrierFuzz& state, platform::File& src, uint32_t carrierBits) {
  MarkField mark{};
  for (size_t i = 0; i < mark.size(); ++i) mark[i] = static_cast<uint8_t>(i * 37 + carrierBits);
  const std::string target = state.input + ".marked";
  double percentage = 0;
  {
    auto dst = state.files.createTruncate(target);
    if (!jpegHandler().mark(src, dst, mark, state.workspace, percentage)) std::abort();
  }
  auto marked = state.files.openRead(target);
  IdentificationRecord again;
  if (!jpegHandler().count(marked, again, state.workspace) || again.carrierBits != carrierBits) {
    std::abort();
  }
  CheckCollector collector;
  if (!jpegHandler().check(marked, carrierBits, collector, state.workspace)) std::abort();
  for (size_t p = 0; p < kMarkSize; ++p) {
    for (int v = 0; v < 256; ++v) {
      if (v != mark[p] && collector.counter(p, static_cast<uint8_t>(v)) != 0) std::abort();
    }
  }
  marked.close();
  state.files.remove(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::CarrierFuzz state("jpeg");
  auto src = state.open(data, size);
  // The last byte picks the level, so every threshold is reached.
  state.workspace.options.setLevel(LevelFormat::kJpg, size != 0 ? data[size - 1] % 7 : 3);
  state.countReadAndMark(jpegHandler(), src, CarrierType::kJpeg, CarrierType::kJpeg);
  IdentificationRecord record;
  if (jpegHandler().count(src, record, state.workspace)) {
    markAndCheck(state, src, record.carrierBits);
  }
  return 0;
}
