// WAV count and extract over arbitrary bytes: must refuse or succeed cleanly, never crash.
#include "carriers/wav/wav.h"

#include "bits/bit_spreader.h"
#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("wav");
  auto src = state.open(data, size);
  // The first byte picks the level, so every threshold is reached.
  state.workspace.options.setLevel(LevelFormat::kWav, size ? data[0] % 7 : 3);
  IdentificationRecord record;
  CarrierRegion region = CarrierRegion::wholeFile(src);
  bool counted =
      format_ops::count<WavFormat>({state.workspace, Operation::kCount}, src, region, record);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  uint32_t bits = counted ? record.carrierBits : static_cast<uint32_t>(size * 3);
  format_ops::read<WavFormat>({state.workspace, Operation::kExtract}, src, region,
                              CarrierType::kWav, bits, sink);
  CheckCollector collector;
  wavHandler().check(src, bits, collector, state.workspace);
  return 0;
}
