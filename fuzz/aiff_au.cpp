// AIFF/AU count and extract over arbitrary bytes: must refuse or succeed cleanly, never crash.
#include "carriers/aiff_au/aiff_au.h"

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("aiff_au");
  auto src = state.open(data, size);
  // The last byte picks the level, so every threshold is reached.
  const uint8_t level = size != 0 ? data[size - 1] % 7 : 3;
  state.workspace.options.setLevel(LevelFormat::kAif, level);
  state.workspace.options.setLevel(LevelFormat::kAu, level);
  const CarrierHandler& handler = aiffAuHandler();
  IdentificationRecord record;
  handler.count(src, record, state.workspace);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  CarrierEntry entry{record.type, record.carrierBits, {}, state.input};
  handler.extract(src, entry, sink, state.workspace);
  entry.carrierBits += 5;  // a wrong count must fail cleanly too
  handler.extract(src, entry, sink, state.workspace);
  return 0;
}
