// PE module count and extract over arbitrary bytes: the header and resource directory walk, then
// each resource's own format inside the module. Must refuse or succeed cleanly, never crash.
#include "carriers/pe/module.h"

#include "bits/bit_spreader.h"
#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("module");
  auto src = state.open(data, size);
  // The last byte picks the levels, so every threshold of both resource formats is reached.
  const uint8_t pick = size != 0 ? data[size - 1] : 0;
  state.workspace.options.setLevel(LevelFormat::kBmp, pick % 7);
  state.workspace.options.setLevel(LevelFormat::kWav, pick / 7 % 7);
  IdentificationRecord record;
  record.type = CarrierType::kModule;
  if (!moduleHandler().count(src, record, state.workspace) || record.rejected) return 0;
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  CarrierEntry entry{record.type, record.carrierBits, record.parts, state.input};
  moduleHandler().extract(src, entry, sink, state.workspace);
  // Parts that claim one bit more than their resource holds.
  if (!entry.parts.empty()) {
    entry.parts.back().bits += 1;
    entry.carrierBits += 1;
    moduleHandler().extract(src, entry, sink, state.workspace);
  }
  return 0;
}
