// Count and extract over arbitrary bytes, as a file of its own and as a resource inside a module.
#include "carriers/bmp/bmp.h"

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
  std::string input = "/tmp/murl_fuzz_bmp_" + std::to_string(getpid());
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
  state.workspace.options.setLevel(murl::LevelFormat::kBmp, level);
  // A file starts with "BM"; anything else is taken as one byte of module before a resource
  // that starts with its info header.
  const bool inModule = size != 0 && data[0] != 'B';
  const murl::CarrierRegion region =
      inModule ? murl::CarrierRegion{1, size - 1, true} : murl::CarrierRegion::wholeFile(src);
  murl::IdentificationRecord record;
  murl::bmpCount(src, region, record, state.workspace);
  auto temp = murl::platform::File::createTruncate(state.sink);
  murl::ExtractionSink sink(state.workspace, temp);
  const bool grey = record.type == murl::CarrierType::kBmpGrey;
  // The counted number of bits, and a wrong one.
  murl::bmpExtract(src, region, grey, record.carrierBits, sink, state.workspace);
  murl::bmpExtract(src, region, !grey, record.carrierBits + 3, sink, state.workspace);
  return 0;
}
