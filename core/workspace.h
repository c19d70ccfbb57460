#pragma once
// The state every job shares: the large buffers allocated once, the stop/closing/busy flags,
// the options, the random source, the password, the language, the Reporter and the file system
// every file is opened through.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
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

// A fixed-size byte buffer allocated without being filled: its pages cost nothing until a job
// writes them, so start-up stays quick and memory grows only with what the jobs use. Every
// user writes the bytes it reads; only the last kZeroedTail bytes start zeroed, so a whole-word
// load past the end of a block that fills the buffer sees fixed bytes.
class WorkBuffer {
 public:
  static constexpr size_t kZeroedTail = 64;

  explicit WorkBuffer(size_t size);

  uint8_t* data() { return bytes_.get(); }
  const uint8_t* data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  uint8_t* begin() { return data(); }
  uint8_t* end() { return data() + size_; }
  uint8_t& operator[](size_t at) { return bytes_[at]; }
  operator std::span<uint8_t>() { return {data(), size_}; }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t size_;
};

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
  WorkBuffer workBuffer;
  WorkBuffer sampleBuffer;
  WorkBuffer codecBuffer;
  WorkBuffer sinkBuffer;

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
