// Arbitrary content inspected as a target carrier under a name the first byte chooses: each
// format read back with its trailer at every level, and arbitrary trailers deciphered under
// arbitrary data checks.
#include "jobs/inspection.h"

#include <cstring>
#include <iterator>

#include "bits/read_back.h"
#include "fuzz/carrier_fuzz.h"

namespace {

constexpr const char* kNames[] = {"/fuzz/t.wav", "/fuzz/t.aif", "/fuzz/t.bmp",
                                  "/fuzz/t.dll", "/fuzz/t.jpg", "/fuzz/t.mp3",
                                  "/fuzz/t.pcx", "/fuzz/t.png", "/fuzz/t.tga"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("inspection");
  if (size < 1 + 4 + kTrailerSize) return 0;
  TrailerBytes trailer;
  std::memcpy(trailer.data(), data + 5, kTrailerSize);
  TrailerFields fields;
  readTrailer(trailer,
              static_cast<uint32_t>(data[1]) << 24 | data[2] << 16 | data[3] << 8 | data[4],
              fields);
  const std::string name = kNames[data[0] % std::size(kNames)];
  state.files.addFile(name, std::vector<uint8_t>(data + 1, data + size));
  CarrierInspection carrier;
  inspectCarrier(name, state.workspace, carrier);
  judgeCarriers({carrier, carrier}, state.workspace.options);
  state.files.remove(name);
  return 0;
}
