// BMP count and extract over arbitrary bytes, as a file of its own and as a resource inside a
// module: must refuse or succeed cleanly, never crash.
#include "carriers/bmp/bmp.h"

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("bmp");
  auto src = state.open(data, size);
  // The last byte picks the level, so every threshold is reached.
  state.workspace.options.setLevel(LevelFormat::kBmp, size != 0 ? data[size - 1] % 7 : 3);
  // A file starts with "BM"; anything else is taken as one byte of module before a resource
  // that starts with its info header.
  const bool inModule = size != 0 && data[0] != 'B';
  const CarrierRegion region =
      inModule ? CarrierRegion{1, size - 1, true} : CarrierRegion::wholeFile(src);
  IdentificationRecord record;
  bmpCount(src, region, record, state.workspace);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  const bool grey = record.type == CarrierType::kBmpGrey;
  // The counted number of bits, and a wrong one with the other classification.
  bmpExtract(src, region, grey, record.carrierBits, sink, state.workspace);
  bmpExtract(src, region, !grey, record.carrierBits + 3, sink, state.workspace);
  return 0;
}
