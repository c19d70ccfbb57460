#pragma once
// What the carrier fuzz targets share: a Workspace that shows nothing, and the input written to a
// file of this process (handlers read open files, never memory).
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/workspace.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace murl::fuzz {

struct CarrierFuzz {
  // `extension` (with its dot) for targets that identify the file by its name.
  explicit CarrierFuzz(const std::string& name, const std::string& extension = "")
      : input(platform::tempFolder() + "murl_fuzz_" + name + "_" + std::to_string(::getpid()) +
              extension),
        sink(input + ".sink") {}
  // The target lives in a static, so this runs when the fuzzer exits.
  ~CarrierFuzz() {
    platform::removeFile(input);
    platform::removeFile(sink);
  }
  CarrierFuzz(const CarrierFuzz&) = delete;
  CarrierFuzz& operator=(const CarrierFuzz&) = delete;

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
