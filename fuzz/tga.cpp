// TGA count, extract, check and mark over arbitrary bytes: must refuse or succeed cleanly, never
// crash. Count reads the footer and its parts; mark runs the row coder and carries them over.
#include "carriers/tga/tga.h"

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("tga");
  auto src = state.open(data, size);
  // The last byte picks the level and the output option, so every threshold and coding is
  // reached.
  const uint8_t pick = size != 0 ? data[size - 1] : 3;
  state.workspace.options.setLevel(LevelFormat::kTga, pick % 7);
  state.workspace.options.tgaOutput = static_cast<RleOutput>(pick / 7 % 3);
  state.countReadAndMark(tgaHandler(), src, CarrierType::kTga, CarrierType::kTga);
  return 0;
}
