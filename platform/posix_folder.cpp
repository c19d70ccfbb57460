// Folders of the disk held by descriptor: every name is looked up relative to the folder's own
// descriptor, with O_NOFOLLOW, so a link below it is never followed.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/posix_files.h"

namespace murl::platform::posix {
namespace {

// The folder's descriptor, shared by the folder and the new files made in it, which may be
// named after the folder object is gone.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { ::close(fd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};
using SharedDescriptor = std::shared_ptr<Descriptor>;

// A short name of our own for a file on its way to its real one; unique within the process, and
// the process id keeps other processes apart.
std::string partName() {
  static std::atomic<uint64_t> made{0};
  return ".murl-" + std::to_string(::getpid()) + "-" + std::to_string(made++) + ".part";
}

bool setAttributesOf(int fd, uint32_t attributes) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && ::fchmod(fd, modeFor(attributes, st.st_mode)) == 0;
}

// Links the file at (fromDir, from) -- or, for an unnamed file, its /proc entry -- to a fresh
// part name in `dir`; empty when that fails.
std::string linkToPart(int fromDir, const std::string& from, int dir, int flags) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string part = partName();
    if (::linkat(fromDir, from.c_str(), dir, part.c_str(), flags) == 0) return part;
    if (errno != EEXIST) break;
  }
  return "";
}

// A file made with O_TMPFILE: nameless until linked through /proc, which needs no privilege.
class UnnamedNaming final : public NewFileNaming {
 public:
  UnnamedNaming(SharedDescriptor dir, int fd) : dir_(std::move(dir)), fd_(fd) {}

  bool setAttributes(uint32_t attributes) override { return setAttributesOf(fd_, attributes); }
  bool publish(const std::string& name, bool replace) override {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (!replace) {
      return ::linkat(AT_FDCWD, self.c_str(), dir_->fd(), name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    // Linking cannot replace; a rename can, atomically, and replaces a link, not its target.
    std::string part = linkToPart(AT_FDCWD, self, dir_->fd(), AT_SYMLINK_FOLLOW);
    if (part.empty()) return false;
    if (::renameat(dir_->fd(), part.c_str(), dir_->fd(), name.c_str()) == 0) return true;
    ::unlinkat(dir_->fd(), part.c_str(), 0);
    return false;
  }
  void forget() override {}

 private:
  SharedDescriptor dir_;
  int fd_;  // owned by the NewFile's File
};

// Where the file system cannot make a nameless file: a part name of our own, removed again
// unless the file is published under its real name.
class PartNaming final : public NewFileNaming {
 public:
  PartNaming(SharedDescriptor dir, std::string part, int fd)
      : dir_(std::move(dir)), part_(std::move(part)), fd_(fd) {}

  bool setAttributes(uint32_t attributes) override { return setAttributesOf(fd_, attributes); }
  bool publish(const std::string& name, bool replace) override {
    const int dir = dir_->fd();
    if (replace) return ::renameat(dir, part_.c_str(), dir, name.c_str()) == 0;
    if (::renameat2(dir, part_.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0) return true;
    // Not every file system renames without replacing; most of those can link.
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::linkat(dir, part_.c_str(), dir, name.c_str(), 0) != 0) return false;
    ::unlinkat(dir, part_.c_str(), 0);
    return true;
  }
  void forget() override { ::unlinkat(dir_->fd(), part_.c_str(), 0); }

 private:
  SharedDescriptor dir_;
  std::string part_;
  int fd_;
};

class PosixFolder final : public FolderImpl {
 public:
  explicit PosixFolder(int fd) : dir_(std::make_shared<Descriptor>(fd)) {}

  EntryKind kind(const std::string& name) override {
    struct stat st;
    if (!single(name) || ::fstatat(dir_->fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      return EntryKind::kNone;
    if (S_ISREG(st.st_mode)) return EntryKind::kFile;
    return S_ISDIR(st.st_mode) ? EntryKind::kFolder : EntryKind::kOther;
  }
  std::optional<FileId> id(const std::string& name) override {
    struct stat st;
    if (!single(name) || ::fstatat(dir_->fd(), name.c_str(), &st, 0) != 0) return std::nullopt;
    return FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }
  std::unique_ptr<FolderImpl> openSubfolder(const std::string& name) override {
    if (!single(name)) return nullptr;
    int fd = openAt(dir_->fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    return fd < 0 ? nullptr : std::make_unique<PosixFolder>(fd);
  }
  bool createSubfolder(const std::string& name) override {
    return single(name) && ::mkdirat(dir_->fd(), name.c_str(), 0777) == 0;
  }
  bool removeSubfolder(const std::string& name) override {
    return single(name) && ::unlinkat(dir_->fd(), name.c_str(), AT_REMOVEDIR) == 0;
  }
  NewFile createNew(bool ownerOnly) override;
  bool lock() override {
    int result;
    do {
      result = ::flock(dir_->fd(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }

 private:
  static bool single(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
  }

  SharedDescriptor dir_;
};

NewFile PosixFolder::createNew(bool ownerOnly) {
  const mode_t mode = ownerOnly ? 0600 : 0666;
  // Linking a nameless file goes through /proc; without it the file could never be named.
  static const bool procMounted = ::access("/proc/self/fd", F_OK) == 0;
  if (procMounted) {
    int fd = openAt(dir_->fd(), ".", O_TMPFILE | O_RDWR, mode);
    if (fd >= 0) return NewFile(fileOf(fd), std::make_unique<UnnamedNaming>(dir_, fd));
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string part = partName();
    int fd = openAt(dir_->fd(), part, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
    if (fd >= 0) return NewFile(fileOf(fd), std::make_unique<PartNaming>(dir_, part, fd));
    if (errno != EEXIST) break;
  }
  return NewFile();
}

}  // namespace

std::unique_ptr<FolderImpl> openFolder(const std::string& path) {
  int fd = openAt(AT_FDCWD, path, O_RDONLY | O_DIRECTORY);
  return fd < 0 ? nullptr : std::make_unique<PosixFolder>(fd);
}

}  // namespace murl::platform::posix
