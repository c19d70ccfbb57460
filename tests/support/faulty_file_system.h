#pragma once
// A file system for tests that hands every call to another one and makes chosen calls fail from
// the n-th of their kind on, as a disk that breaks part-way would. Counts and failures belong to
// this object and the files it opened, never to the process, so tests cannot disturb each other.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/file_system.h"

namespace murl::test {

enum class FsCall : uint8_t {
  kOpen,          // openRead, openReadWrite
  kCreate,        // createTruncate, createExclusive, createAnonymous, Folder::createNew
  kRead,          // read with bytes left before the end, on any file this object opened
  kWrite,         // write, on any file this object opened
  kCreateFolder,  // createFolder, Folder::createSubfolder
  kRename,        // rename, NewFile::publish
  kListFolder,    // listFolder
  kSeek,          // seek, on any file this object opened
  kTruncate,      // truncate, on any file this object opened
  kReadAt,        // readAt, on any file this object opened (a target read back as it is written)
};
constexpr size_t kFsCallKinds = 10;

// How a call that is made to fail shows: opens and creates give a file that is not open, reads
// and writes move no byte, a seek leaves the position where it was, the others return false.
class FaultyFileSystem final : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& base = platform::realFileSystem());

  // The n-th call of that kind from now on (1: the very next one) and every later one fail.
  void failFrom(FsCall call, uint64_t n = 1);
  // Every call goes through again; the counts go on.
  void heal();
  // Calls of that kind made so far, failed ones included.
  uint64_t calls(FsCall call) const;
  // Changes what reaches the disk, as a disk that alters data would: called with the file
  // offset and a copy of the bytes of each write, on any file this object opened or made.
  void alterWrites(std::function<void(uint64_t offset, uint8_t* bytes, size_t count)> alter) {
    counters_->alterWrites = std::move(alter);
  }

  // Whether its files read at an offset beside their writes when the base's do; off until set,
  // so that every read of a job comes in one order, counted on one thread.
  void readAtWhileWritten(bool on) { counters_->readsAtWhileWritten = on; }

  platform::File openRead(const std::string& path) override;
  platform::File openReadWrite(const std::string& path) override;
  platform::File createTruncate(const std::string& path) override;
  platform::File createExclusive(const std::string& path) override;
  platform::File createAnonymous(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool remove(const std::string& path) override { return base_.remove(path); }
  bool fileExists(const std::string& path) override { return base_.fileExists(path); }
  bool pathTaken(const std::string& path) override { return base_.pathTaken(path); }
  std::optional<platform::FileId> fileId(const std::string& path) override {
    return base_.fileId(path);
  }
  std::string resolvePath(const std::string& path) override { return base_.resolvePath(path); }
  bool isFolder(const std::string& path) override { return base_.isFolder(path); }
  bool createFolder(const std::string& path, bool ownerOnly = false) override;
  platform::Folder openFolder(const std::string& path) override;
  bool listFolder(const std::string& path, std::vector<platform::FolderEntry>& entries) override;
  uint32_t fileAttributes(const std::string& path) override { return base_.fileAttributes(path); }
  bool setFileAttributes(const std::string& path, uint32_t attributes) override {
    return base_.setFileAttributes(path, attributes);
  }

  // Shared with the files this object opened, which may outlive a test's arming of it.
  struct Counters {
    std::array<uint64_t, kFsCallKinds> made{};
    std::array<uint64_t, kFsCallKinds> failFrom{};  // 0: never
    std::function<void(uint64_t offset, uint8_t* bytes, size_t count)> alterWrites;
    bool readsAtWhileWritten = false;
    std::mutex mutex;  // a target's reads at an offset come from a thread of their own
    // Counts the call; true when it is to fail.
    bool fails(FsCall call);
  };

 private:
  // The file the base opened, wrapped so its reads and writes are counted here.
  platform::File wrap(platform::File file);

  platform::FileSystem& base_;
  std::shared_ptr<Counters> counters_ = std::make_shared<Counters>();
};

// Runs `attempt` once as it is, counting the calls of `call` it makes, then once for each of
// them with that call (and every later one of its kind) failing; `afterFailure(n, succeeded)`
// checks what the attempt with the n-th call failing returned and left behind. `cleanUp`, when
// given, runs after every attempt with nothing failing and nothing counted against it.
void failEachCallInTurn(FaultyFileSystem& files, FsCall call, const std::function<bool()>& attempt,
                        const std::function<void(uint64_t n, bool succeeded)>& afterFailure,
                        const std::function<void()>& cleanUp = {});

}  // namespace murl::test
