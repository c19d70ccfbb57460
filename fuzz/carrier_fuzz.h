#pragma once
// What the carrier fuzz targets share: a Workspace that shows nothing and whose files, the input
// among them, live in memory, so no run touches the disk.
#include <cstdint>
#include <string>

#include "core/workspace.h"
#include "platform/memory_file_system.h"

namespace murl::fuzz {

struct CarrierFuzz {
  // `extension` (with its dot) for targets that identify the file by its name.
  explicit CarrierFuzz(const std::string& name, const std::string& extension = "")
      : input("/fuzz/" + name + extension) {
    files.createFolder("/fuzz");
    files.createFolder("/tmp");
    workspace.tempFolder = "/tmp/";
  }

  // Makes the input the file's content and opens it for reading.
  platform::File open(const uint8_t* data, size_t size) {
    files.addFile(input, std::vector<uint8_t>(data, data + size));
    return files.openRead(input);
  }

  platform::MemoryFileSystem files;
  SilentReporter reporter;
  Workspace workspace{reporter, Language::kEnglish, files};
  std::string input;
};

}  // namespace murl::fuzz
