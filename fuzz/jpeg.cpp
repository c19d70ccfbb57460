// JPEG count, extract and check over arbitrary bytes: must refuse or succeed cleanly, never
// crash. Seed it with tests/data/jpeg_*.jpg.
#include "carriers/jpeg/jpeg.h"

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("jpeg");
  auto src = state.open(data, size);
  // The last byte picks the level, so every threshold is reached.
  state.workspace.options.setLevel(LevelFormat::kJpg, size != 0 ? data[size - 1] % 7 : 3);
  IdentificationRecord record;
  const bool counted = jpegHandler().count(src, record, state.workspace);
  auto temp = platform::File::createTruncate(state.sink);
  ExtractionSink sink(state.workspace, temp);
  const uint32_t bits = counted ? record.carrierBits : static_cast<uint32_t>(size);
  // The counted number of bits, and a wrong one.
  jpegHandler().extract(src, {CarrierType::kJpeg, bits, {}, state.input}, sink, state.workspace);
  jpegHandler().extract(src, {CarrierType::kJpeg, bits + 5, {}, state.input}, sink,
                        state.workspace);
  CheckCollector collector;
  jpegHandler().check(src, bits, collector, state.workspace);
  return 0;
}
