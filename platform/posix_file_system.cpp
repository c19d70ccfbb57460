// The disk through POSIX calls.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/posix_files.h"

namespace murl::platform {
namespace {

using posix::fileOf;
using posix::openAt;

FileId idOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

class RealFileSystem final : public FileSystem {
 public:
  File openRead(const std::string& path) override {
    return fileOf(posix::openRegular(AT_FDCWD, path, O_RDONLY));
  }
  File openReadWrite(const std::string& path) override {
    return fileOf(posix::openRegular(AT_FDCWD, path, O_RDWR));
  }
  File createTruncate(const std::string& path) override {
    return fileOf(openAt(AT_FDCWD, path, O_RDWR | O_CREAT | O_TRUNC, 0666));
  }
  File createExclusive(const std::string& path) override {
    return fileOf(openAt(AT_FDCWD, path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
  }
  File createAnonymous(const std::string& path) override;

  bool rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  bool remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
  bool fileExists(const std::string& path) override { return openRead(path).isOpen(); }
  bool pathTaken(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }
  std::optional<FileId> fileId(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return idOf(st);
  }
  std::string resolvePath(const std::string& path) override {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return "";
    std::string out = resolved;
    std::free(resolved);
    return out;
  }

  bool isFolder(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  bool createFolder(const std::string& path, bool ownerOnly) override {
    if (::mkdir(path.c_str(), ownerOnly ? 0700 : 0777) == 0) return true;
    return errno == EEXIST && isFolder(path);
  }
  Folder openFolder(const std::string& path) override { return Folder(posix::openFolder(path)); }
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
  uint32_t fileAttributes(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return attr::kInvalid;
    return posix::attributesOf(baseName(path), st);
  }
  bool setFileAttributes(const std::string& path, uint32_t attributes) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), posix::modeFor(attributes, st.st_mode)) == 0;
  }
};

File RealFileSystem::createAnonymous(const std::string& path) {
  if (pathTaken(path)) return File();
  // O_EXCL: this file can never be given a name, not even by us.
  int fd = openAt(AT_FDCWD, folderOf(path), O_TMPFILE | O_RDWR | O_EXCL, 0600);
  if (fd >= 0) return fileOf(fd);
  // Where the file system cannot make a file without a name, the name lasts an instant.
  fd = openAt(AT_FDCWD, path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (fd >= 0 && ::unlink(path.c_str()) != 0) {
    ::close(fd);
    return File();
  }
  return fileOf(fd);
}

bool RealFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  while (struct dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry{name, false, false, attr::kNormal, {}};
    // Looked up in the open folder, so a path too long for the system still gets an answer.
    struct stat st;
    if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) == 0) {
      entry.isFolder = S_ISDIR(st.st_mode);
      entry.isFile = S_ISREG(st.st_mode);
      if (entry.isFolder || entry.isFile) entry.id = idOf(st);
      entry.attributes = posix::attributesOf(name, st);
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

}  // namespace

FileSystem& realFileSystem() {
  static RealFileSystem disk;
  return disk;
}

}  // namespace murl::platform
