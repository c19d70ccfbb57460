#pragma once
// What the carrier fuzz targets share: a Workspace that shows nothing, and the input written to a
// file of this process (handlers read open files, never memory).
#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/workspace.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace murl::fuzz {

class SilentReporter : public Reporter {
 public:
  void warn(const Message&) override {}
  void error(const Message&) override {}
  void report(const Message&) override {}
  bool askYesNo(const Message&) override { return false; }
};

struct CarrierFuzz {
  explicit CarrierFuzz(const std::string& name)
      : input(platform::tempFolder() + "murl_fuzz_" + name + "_" + std::to_string(::getpid())),
        sink(input + ".sink") {}

  // Writes the input to its file and opens it for reading.
  platform::File open(const uint8_t* data, size_t size) {
    {
      auto file = platform::File::createTruncate(input);
      file.writeExact(data, size);
    }
    return platform::File::openRead(input);
  }

  SilentReporter reporter;
  Workspace workspace{reporter, Language::kEnglish};
  std::string input;
  std::string sink;
};

}  // namespace murl::fuzz
