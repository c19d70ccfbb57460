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
  format_ops::count<BmpFormat>({state.workspace, Operation::kCount}, src, region, record);
  auto temp = platform::memoryFile();
  ExtractionSink sink(state.workspace, temp);
  const bool grey = record.type == CarrierType::kBmpGrey;
  const CarrierType other = grey ? CarrierType::kBmpColour : CarrierType::kBmpGrey;
  // The counted number of bits, and a wrong one with the other classification.
  const OperationContext extract(state.workspace, Operation::kExtract);
  format_ops::read<BmpFormat>(extract, src, region, record.type, record.carrierBits, sink);
  format_ops::read<BmpFormat>(extract, src, region, other, record.carrierBits + 3, sink);
  return 0;
}
