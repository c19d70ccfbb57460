// PCX count, extract, check and mark over arbitrary bytes: must refuse or succeed cleanly, never
// crash. Mark runs the scanline coder and the copy of what follows the scanlines.
#include "carriers/pcx/pcx.h"

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("pcx");
  auto src = state.open(data, size);
  // The last byte picks the level and the output option, so every threshold and coding is
  // reached.
  const uint8_t pick = size != 0 ? data[size - 1] : 3;
  state.workspace.options.setLevel(LevelFormat::kPcx, pick % 7);
  state.workspace.options.pcxOutput = static_cast<RleOutput>(pick / 7 % 3);
  state.countReadAndMark(pcxHandler(), src, CarrierType::kPcxColour, CarrierType::kPcxGrey);
  return 0;
}
