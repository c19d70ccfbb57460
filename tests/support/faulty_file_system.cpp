#include "support/faulty_file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace murl::test {
namespace {

using platform::File;

class FaultyFile final : public platform::FileImpl {
 public:
  FaultyFile(File inner, std::shared_ptr<FaultyFileSystem::Counters> counters)
      : inner_(std::move(inner)), counters_(std::move(counters)) {}

  size_t read(void* buffer, size_t count) override {
    // A read with nothing left to give moves no byte, failing or not: it is not counted.
    if (count == 0 || inner_.position() >= inner_.size()) return inner_.read(buffer, count);
    return counters_->fails(FsCall::kRead) ? 0 : inner_.read(buffer, count);
  }
  size_t write(const void* buffer, size_t count) override {
    if (counters_->fails(FsCall::kWrite)) return 0;
    if (!counters_->alterWrites) return inner_.write(buffer, count);
    std::vector<uint8_t> altered(static_cast<const uint8_t*>(buffer),
                                 static_cast<const uint8_t*>(buffer) + count);
    counters_->alterWrites(inner_.position(), altered.data(), count);
    return inner_.write(altered.data(), count);
  }
  bool seek(uint64_t offset) override {
    return !counters_->fails(FsCall::kSeek) && inner_.seek(offset);
  }
  uint64_t position() const override { return inner_.position(); }
  uint64_t size() const override { return inner_.size(); }
  bool truncate(uint64_t length) override {
    return !counters_->fails(FsCall::kTruncate) && inner_.truncate(length);
  }
  bool sync() override { return inner_.sync(); }
  size_t readAt(uint64_t offset, void* buffer, size_t count) override {
    return counters_->fails(FsCall::kReadAt) ? 0 : inner_.readAt(offset, buffer, count);
  }
  bool readsAtWhileWritten() const override {
    return counters_->readsAtWhileWritten && inner_.readsAtWhileWritten();
  }

 private:
  File inner_;
  std::shared_ptr<FaultyFileSystem::Counters> counters_;
};

size_t slot(FsCall call) { return static_cast<size_t>(call); }

}  // namespace

bool FaultyFileSystem::Counters::fails(FsCall call) {
  std::lock_guard lock(mutex);
  uint64_t n = ++made[slot(call)];
  return failFrom[slot(call)] != 0 && n >= failFrom[slot(call)];
}

FaultyFileSystem::FaultyFileSystem(platform::FileSystem& base) : base_(base) {}

void FaultyFileSystem::failFrom(FsCall call, uint64_t n) {
  counters_->failFrom[slot(call)] = counters_->made[slot(call)] + n;
}

void FaultyFileSystem::heal() { counters_->failFrom.fill(0); }

uint64_t FaultyFileSystem::calls(FsCall call) const {
  std::lock_guard lock(counters_->mutex);
  return counters_->made[slot(call)];
}

File FaultyFileSystem::wrap(File file) {
  if (!file.isOpen()) return file;
  return File(std::make_unique<FaultyFile>(std::move(file), counters_));
}

File FaultyFileSystem::openRead(const std::string& path) {
  return counters_->fails(FsCall::kOpen) ? File() : wrap(base_.openRead(path));
}

File FaultyFileSystem::openReadWrite(const std::string& path) {
  return counters_->fails(FsCall::kOpen) ? File() : wrap(base_.openReadWrite(path));
}

File FaultyFileSystem::createTruncate(const std::string& path) {
  return counters_->fails(FsCall::kCreate) ? File() : wrap(base_.createTruncate(path));
}

File FaultyFileSystem::createExclusive(const std::string& path) {
  return counters_->fails(FsCall::kCreate) ? File() : wrap(base_.createExclusive(path));
}

File FaultyFileSystem::createAnonymous(const std::string& path) {
  return counters_->fails(FsCall::kCreate) ? File() : wrap(base_.createAnonymous(path));
}

bool FaultyFileSystem::rename(const std::string& from, const std::string& to) {
  return !counters_->fails(FsCall::kRename) && base_.rename(from, to);
}

bool FaultyFileSystem::createFolder(const std::string& path, bool ownerOnly) {
  return !counters_->fails(FsCall::kCreateFolder) && base_.createFolder(path, ownerOnly);
}

namespace {

// Naming a new file counts as a rename.
class FaultyNaming final : public platform::NewFileNaming {
 public:
  FaultyNaming(std::unique_ptr<platform::NewFileNaming> inner,
               std::shared_ptr<FaultyFileSystem::Counters> counters)
      : inner_(std::move(inner)), counters_(std::move(counters)) {}
  bool setAttributes(uint32_t attributes) override { return inner_->setAttributes(attributes); }
  bool publish(const std::string& name, bool replace) override {
    return !counters_->fails(FsCall::kRename) && inner_->publish(name, replace);
  }
  void forget() override { inner_->forget(); }

 private:
  std::unique_ptr<platform::NewFileNaming> inner_;
  std::shared_ptr<FaultyFileSystem::Counters> counters_;
};

// New files count as creations, subfolders as folder creations; the rest passes straight on.
class FaultyFolder final : public platform::FolderImpl {
 public:
  FaultyFolder(std::unique_ptr<platform::FolderImpl> inner,
               std::shared_ptr<FaultyFileSystem::Counters> counters)
      : inner_(std::move(inner)), counters_(std::move(counters)) {}

  platform::EntryKind kind(const std::string& name) override { return inner_->kind(name); }
  std::optional<platform::FileId> id(const std::string& name) override { return inner_->id(name); }
  std::unique_ptr<platform::FolderImpl> openSubfolder(const std::string& name) override {
    auto sub = inner_->openSubfolder(name);
    return sub ? std::make_unique<FaultyFolder>(std::move(sub), counters_) : nullptr;
  }
  bool createSubfolder(const std::string& name) override {
    return !counters_->fails(FsCall::kCreateFolder) && inner_->createSubfolder(name);
  }
  bool removeSubfolder(const std::string& name) override { return inner_->removeSubfolder(name); }
  platform::NewFile createNew(bool ownerOnly) override {
    if (counters_->fails(FsCall::kCreate)) return platform::NewFile();
    platform::NewFile made = inner_->createNew(ownerOnly);
    if (!made.isOpen()) return made;
    auto naming = std::make_unique<FaultyNaming>(made.takeNaming(), counters_);
    File wrapped(std::make_unique<FaultyFile>(std::move(made.file()), counters_));
    return platform::NewFile(std::move(wrapped), std::move(naming));
  }
  bool lock() override { return inner_->lock(); }

 private:
  std::unique_ptr<platform::FolderImpl> inner_;
  std::shared_ptr<FaultyFileSystem::Counters> counters_;
};

}  // namespace

platform::Folder FaultyFileSystem::openFolder(const std::string& path) {
  platform::Folder folder = base_.openFolder(path);
  if (!folder.isOpen()) return folder;
  return platform::Folder(std::make_unique<FaultyFolder>(folder.takeImpl(), counters_));
}

bool FaultyFileSystem::listFolder(const std::string& path,
                                  std::vector<platform::FolderEntry>& entries) {
  if (counters_->fails(FsCall::kListFolder)) {
    entries.clear();
    return false;
  }
  return base_.listFolder(path, entries);
}

void failEachCallInTurn(FaultyFileSystem& files, FsCall call, const std::function<bool()>& attempt,
                        const std::function<void(uint64_t n, bool succeeded)>& afterFailure,
                        const std::function<void()>& cleanUp) {
  const uint64_t before = files.calls(call);
  const bool clean = attempt();
  const uint64_t made = files.calls(call) - before;
  if (cleanUp) cleanUp();
  ASSERT_TRUE(clean) << "the attempt fails with nothing failing";
  ASSERT_GT(made, 0u) << "the attempt makes no call of that kind";
  for (uint64_t n = 1; n <= made; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n) + " of " + std::to_string(made));
    files.failFrom(call, n);
    const bool succeeded = attempt();
    files.heal();
    afterFailure(n, succeeded);
    if (cleanUp) cleanUp();
  }
}

}  // namespace murl::test
