// WAV count and extract over arbitrary bytes: must refuse or succeed cleanly, never crash.
#include "carriers/wav/wav.h"

#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/bit_spreader.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace {

class SilentReporter : public murl::Reporter {
 public:
  void warn(const murl::Message&) override {}
  void error(const murl::Message&) override {}
  void report(const murl::Message&) override {}
  bool askYesNo(const murl::Message&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static SilentReporter reporter;
  static Workspace workspace(reporter, Language::kEnglish);
  static const std::string base =
      platform::tempFolder() + "murl_fuzz_wav_" + std::to_string(::getpid());
  {
    auto file = platform::File::createTruncate(base + ".wav");
    file.writeExact(data, size);
  }
  // The first byte picks the level, so every threshold is reached.
  workspace.options.setLevel(LevelFormat::kWav, size ? data[0] % 7 : 3);
  auto src = platform::File::openRead(base + ".wav");
  IdentificationRecord record;
  CarrierRegion region = CarrierRegion::wholeFile(src);
  bool counted = wavCount(src, region, record, workspace);
  auto temp = platform::File::createTruncate(base + ".sink");
  ExtractionSink sink(workspace, temp);
  uint32_t bits = counted ? record.carrierBits : static_cast<uint32_t>(size * 3);
  wavExtract(src, region, bits, sink, workspace);
  CheckCollector collector;
  wavHandler().check(src, bits, collector, workspace);
  return 0;
}
