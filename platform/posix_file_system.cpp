// The disk through POSIX calls: descriptors opened close-on-exec, interrupted calls retried.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_system.h"

namespace murl::platform {
namespace {

int openFd(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Moves bytes until all are moved, the end is met or the call fails; EINTR is retried.
template <class Call>
size_t transfer(size_t count, Call call) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = call(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

class DescriptorFile final : public FileImpl {
 public:
  explicit DescriptorFile(int fd) : fd_(fd) {}
  ~DescriptorFile() override { ::close(fd_); }
  DescriptorFile(const DescriptorFile&) = delete;
  DescriptorFile& operator=(const DescriptorFile&) = delete;

  size_t read(void* buffer, size_t count) override {
    auto* out = static_cast<char*>(buffer);
    return transfer(count, [&](size_t done) { return ::read(fd_, out + done, count - done); });
  }
  size_t write(const void* buffer, size_t count) override {
    const auto* in = static_cast<const char*>(buffer);
    return transfer(count, [&](size_t done) { return ::write(fd_, in + done, count - done); });
  }
  bool seek(uint64_t offset) override {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }
  uint64_t position() const override {
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at < 0 ? 0 : static_cast<uint64_t>(at);
  }
  uint64_t size() const override {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }
  bool truncate(uint64_t length) override {
    return ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
  }
  bool sync() override { return ::fdatasync(fd_) == 0; }

 private:
  int fd_;
};

File fileOf(int fd) { return fd < 0 ? File() : File(std::make_unique<DescriptorFile>(fd)); }

uint32_t attributesOf(const std::string& name, const struct stat& st) {
  uint32_t a = 0;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= attr::kReadOnly;
  if (!name.empty() && name[0] == '.') a |= attr::kHidden;
  if (S_ISDIR(st.st_mode)) a |= attr::kDirectory;
  return a == 0 ? attr::kNormal : a;
}

class RealFileSystem final : public FileSystem {
 public:
  File openRead(const std::string& path) override {
    int fd = openFd(path, O_RDONLY);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      fd = -1;
    }
    return fileOf(fd);
  }
  File openReadWrite(const std::string& path) override { return fileOf(openFd(path, O_RDWR)); }
  File createTruncate(const std::string& path) override {
    return fileOf(openFd(path, O_RDWR | O_CREAT | O_TRUNC, 0666));
  }
  File createExclusive(const std::string& path) override {
    return fileOf(openFd(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
  }
  File createBeside(const std::string& path, std::string& partPath) override;

  bool rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  bool remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
  bool fileExists(const std::string& path) override { return openRead(path).isOpen(); }
  bool pathTaken(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }
  bool sameFile(const std::string& a, const std::string& b) override {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }

  bool isFolder(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  bool createFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && isFolder(path);
  }
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
  uint32_t fileAttributes(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return attr::kInvalid;
    return attributesOf(baseName(path), st);
  }
  bool setFileAttributes(const std::string& path, uint32_t attributes) override;
};

File RealFileSystem::createBeside(const std::string& path, std::string& partPath) {
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  // A short name of our own, whatever the length of the final one.
  std::string stem = folder + ".murl-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    partPath = stem + std::to_string(attempt) + ".part";
    int fd = openFd(partPath, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd >= 0) return fileOf(fd);
    if (errno != EEXIST) break;
  }
  partPath.clear();
  return File();
}

bool RealFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  while (struct dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat(joinPath(path, name).c_str(), &st) != 0) continue;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) continue;
    entries.push_back({name, S_ISDIR(st.st_mode) != 0, attributesOf(name, st)});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

bool RealFileSystem::setFileAttributes(const std::string& path, uint32_t attributes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & attr::kReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return ::chmod(path.c_str(), mode) == 0;
}

}  // namespace

FileSystem& realFileSystem() {
  static RealFileSystem disk;
  return disk;
}

}  // namespace murl::platform
