#pragma once
// What the carrier fuzz targets share: a Workspace that shows nothing, and the input written to a
// file of this process (handlers read open files, never memory).
#include <unistd.h>

#include <cstdint>
#include <string>

#include "carriers/common/contract.h"
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

  // Count as `type`; extract the counted bits, then 5 more with the entry's type `otherType`
  // (which must fail); check; mark when it is a carrier, which runs a format's writing side.
  void countReadAndMark(const CarrierHandler& handler, platform::File& src, CarrierType type,
                        CarrierType otherType) {
    IdentificationRecord record;
    record.type = type;
    const bool carrier = handler.count(src, record, workspace);
    auto temp = platform::File::createTruncate(sink);
    ExtractionSink bits(workspace, temp);
    handler.extract(src, {record.type, record.carrierBits, {}, input}, bits, workspace);
    handler.extract(src, {otherType, record.carrierBits + 5, {}, input}, bits, workspace);
    CheckCollector collector;
    handler.check(src, record.carrierBits, collector, workspace);
    if (!carrier) return;
    temp = platform::File::createTruncate(sink);
    double percentage;
    handler.mark(src, temp, MarkField{'f', 'u', 'z', 'z'}, workspace, percentage);
  }

  SilentReporter reporter;
  Workspace workspace{reporter, Language::kEnglish};
  std::string input;
  std::string sink;
};

}  // namespace murl::fuzz
