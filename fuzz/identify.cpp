// Identification by extension over arbitrary names, and of arbitrary content under a WAV name.
#include "carriers/identify.h"

#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

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
  // Up to the first zero byte: a name; the rest: the file's content.
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t split = all.find('\0');
  std::string_view name = all.substr(0, split);
  typeFromExtension(name);
  if (split == std::string_view::npos) return 0;
  static const std::string path =
      platform::tempFolder() + "murl_fuzz_identify_" + std::to_string(::getpid()) + ".wav";
  {
    auto file = platform::File::createTruncate(path);
    file.writeExact(data + split + 1, size - split - 1);
  }
  IdentificationRecord record;
  identify(path, IdentifyPurpose::kHiding, record, workspace);
  return 0;
}
