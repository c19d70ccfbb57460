// Identification by extension over arbitrary names, and of arbitrary content under a WAV name.
#include "carriers/identify.h"

#include <string_view>

#include "fuzz/carrier_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static fuzz::CarrierFuzz state("identify", ".wav");
  // Up to the first zero byte: a name; the rest: the file's content.
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t split = all.find('\0');
  std::string_view name = all.substr(0, split);
  typeFromExtension(name);
  if (split == std::string_view::npos) return 0;
  state.open(data + split + 1, size - split - 1);
  IdentificationRecord record;
  identify(state.input, IdentifyPurpose::kHiding, record, state.workspace);
  return 0;
}
