// Count and extract over arbitrary bytes through the AIFF/AU handler.
#include "carriers/aiff_au/aiff_au.h"

#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/workspace.h"
#include "platform/file.h"

namespace {

class SilentReporter : public murl::Reporter {
 public:
  void warn(const murl::Message&) override {}
  void error(const murl::Message&) override {}
  void report(const murl::Message&) override {}
  bool askYesNo(const murl::Message&) override { return false; }
};

struct State {
  SilentReporter reporter;
  murl::Workspace workspace{reporter, murl::Language::kEnglish};
  std::string input = "/tmp/murl_fuzz_aiff_au_" + std::to_string(getpid());
  std::string sink = input + ".sink";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static State state;
  {
    auto f = murl::platform::File::createTruncate(state.input);
    f.writeExact(data, size);
  }
  auto src = murl::platform::File::openRead(state.input);
  const uint8_t level = size != 0 ? data[size - 1] % 7 : 3;
  state.workspace.options.setLevel(murl::LevelFormat::kAif, level);
  state.workspace.options.setLevel(murl::LevelFormat::kAu, level);
  const murl::CarrierHandler& handler = murl::aiffAuHandler();
  murl::IdentificationRecord record;
  handler.count(src, state.input, record, state.workspace);
  auto temp = murl::platform::File::createTruncate(state.sink);
  murl::ExtractionSink sink(state.workspace, temp);
  murl::CarrierEntry entry{record.type, record.carrierBits, {}, state.input};
  handler.extract(src, entry, sink, state.workspace);
  entry.carrierBits += 5;  // a wrong count must fail cleanly too
  handler.extract(src, entry, sink, state.workspace);
  return 0;
}
