#pragma once
// The state every job shares: the large buffers allocated once, the stop/closing/busy flags,
// the options, the random source, the password, the language, the Reporter and the file system
// every file is opened through.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/options.h"
#include "core/reporter.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "transforms/interrupt.h"
#include "transforms/password.h"
#include "transforms/random_source.h"

namespace murl {

constexpr size_t kBufferSize = 0x400000;      // 4 MiB work, sample and codec buffers
constexpr size_t kSinkBufferSize = 0x15FFEA;  // plan table of 65535 entries / extraction sink

// Told how far the operation on the current carrier has come, once per block or row. A job sets
// it for the length of one carrier operation, so its progress moves within a large carrier too.
class CarrierProgress {
 public:
  virtual ~CarrierProgress() = default;
  virtual void advanced(uint64_t done, uint64_t total) = 0;
};

class Workspace {
 public:
  // Tests hand in a file system in memory or one that fails on purpose.
  Workspace(Reporter& reporter, Language language,
            platform::FileSystem& fileSystem = platform::realFileSystem());
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Buffers: chunks, trailer and copies; rows and sample blocks; compressor and cipher.
  std::vector<uint8_t> workBuffer;
  std::vector<uint8_t> sampleBuffer;
  std::vector<uint8_t> codecBuffer;
  std::vector<uint8_t> sinkBuffer;

  std::atomic<bool> stop{false};     // set by the front end to interrupt, or by a failed job
  std::atomic<bool> closing{false};  // set when the application shuts down
  std::atomic<bool> busy{false};     // set by a job until just before it posts how it ended
  // What every block and row loop polls.
  bool interrupted() const { return stop.load() || closing.load(); }
  Interrupt interrupt() const { return {&stop, &closing}; }

  Options options;  // the running job's own copy, taken as it starts; front ends keep theirs
  RandomSource random;
  Password password;
  uint32_t sessionNumber = 0;
  Language language;
  std::string tempFolder;  // ends in "/"
  Reporter& reporter;
  platform::FileSystem& fileSystem;
  CarrierProgress* carrierProgress = nullptr;  // set by the job around each carrier operation

  // What the handlers call once per block or row: `done` of `total` units of work.
  void reportBlock(uint64_t done, uint64_t total) {
    if (carrierProgress) carrierProgress->advanced(done, total);
  }

  // Shows a message in the chosen language, by its kind (warning, error or report).
  void show(MessageId id, uint32_t number = 0);
  // Shows a message with a text of the caller's making (kind and title still by id).
  void showText(MessageId id, const std::string& text);
  // Asks a Yes/No question; true for Yes.
  bool ask(MessageId id);
};

// Seeds the random source and computes the session number, as at application start-up.
void startSession(Workspace& workspace);

}  // namespace murl
