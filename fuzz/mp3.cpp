// MP3 count, extract and check over arbitrary bytes: must refuse or succeed cleanly, never crash.
#include "carriers/mp3/mp3.h"

#include "bits/bit_spreader.h"
#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("mp3");
  auto src = state.open(data, size);
  // The last byte picks the level: the first bytes decide the lead-in position.
  state.workspace.options.setLevel(LevelFormat::kMp3, size ? data[size - 1] % 7 : 3);
  IdentificationRecord record;
  const CarrierRegion region = CarrierRegion::wholeFile(src);
  const bool counted =
      format_ops::count<Mp3Format>({state.workspace, Operation::kCount}, src, region, record);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  const uint32_t bits = counted ? record.carrierBits : static_cast<uint32_t>(size * 3);
  format_ops::read<Mp3Format>({state.workspace, Operation::kExtract}, src, region,
                              CarrierType::kMp3, bits, sink);
  CheckCollector collector;
  mp3Handler().check(src, bits, collector, state.workspace);
  return 0;
}
