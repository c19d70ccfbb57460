#pragma once
// What the carrier fuzz targets share: a Workspace that shows nothing and whose files, the input
// among them, live in memory, so no run touches the disk.
#include <cstdint>
#include <string>

#include "carriers/common/contract.h"
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

  // Count as `type`; extract the counted bits, then 5 more with the entry's type `otherType`
  // (which must fail); check; mark when it is a carrier, which runs a format's writing side.
  void countReadAndMark(const CarrierHandler& handler, platform::File& src, CarrierType type,
                        CarrierType otherType) {
    IdentificationRecord record;
    record.type = type;
    const bool carrier = handler.count(src, record, workspace);
    auto temp = platform::memoryFile();
    ExtractionSink bits(workspace, temp);
    handler.extract(src, {record.type, record.carrierBits, {}, input}, bits, workspace);
    handler.extract(src, {otherType, record.carrierBits + 5, {}, input}, bits, workspace);
    CheckCollector collector;
    handler.check(src, record.carrierBits, collector, workspace);
    if (!carrier) return;
    temp = platform::memoryFile();
    double percentage;
    handler.mark(src, temp, MarkField{'f', 'u', 'z', 'z'}, workspace, percentage);
  }

  platform::MemoryFileSystem files;
  SilentReporter reporter;
  Workspace workspace{reporter, Language::kEnglish, files};
  std::string input;
};

}  // namespace murl::fuzz
