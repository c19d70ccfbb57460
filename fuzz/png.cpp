// PNG count, extract and check over arbitrary bytes: must refuse or succeed cleanly, never crash.
#include "carriers/png/png.h"

#include "bits/bit_spreader.h"
#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("png");
  auto src = state.open(data, size);
  // The last byte picks the level and the output format, so every spacing and both stream
  // size rules are reached.
  const uint8_t last = size != 0 ? data[size - 1] : 0;
  state.workspace.options.setLevel(LevelFormat::kPng, last % 7);
  state.workspace.options.pngOutput = static_cast<PngOutput>(last / 7 % 3);
  IdentificationRecord record;
  const CarrierRegion region = CarrierRegion::wholeFile(src);
  const bool counted =
      format_ops::count<PngFormat>({state.workspace, Operation::kCount}, src, region, record);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  const uint32_t bits = counted ? record.carrierBits : static_cast<uint32_t>(size * 3);
  format_ops::read<PngFormat>({state.workspace, Operation::kExtract}, src, region,
                              CarrierType::kPng, bits, sink);
  CheckCollector collector;
  pngHandler().check(src, bits + 1, collector, state.workspace);
  return 0;
}
