#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

namespace murl::platform {
namespace {

std::atomic<int> g_writesBeforeFailure{-1};

bool injectedWriteFailure() {
  int left = g_writesBeforeFailure.load();
  while (left >= 0) {
    if (left == 0) return true;
    if (g_writesBeforeFailure.compare_exchange_weak(left, left - 1)) return false;
  }
  return false;
}

int openFd(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

File File::openRead(const std::string& path) {
  int fd = openFd(path, O_RDONLY);
  if (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      fd = -1;
    }
  }
  return File(fd);
}

File File::openReadWrite(const std::string& path) { return File(openFd(path, O_RDWR)); }

File File::createTruncate(const std::string& path) {
  return File(openFd(path, O_RDWR | O_CREAT | O_TRUNC, 0666));
}

File File::createExclusive(const std::string& path) {
  return File(openFd(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
}

size_t File::read(void* buffer, size_t count) {
  if (fd_ < 0) return 0;
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t File::write(const void* buffer, size_t count) {
  if (fd_ < 0 || injectedWriteFailure()) return 0;
  const auto* in = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool File::seek(uint64_t offset) {
  return fd_ >= 0 &&
         ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

uint64_t File::position() const {
  if (fd_ < 0) return 0;
  off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t File::size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool File::truncate(uint64_t length) {
  return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

bool File::sync() { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

void File::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

File File::createBeside(const std::string& path, std::string& partPath) {
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  // A short name of our own, whatever the length of the final one.
  std::string stem = folder + ".murl-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    partPath = stem + std::to_string(attempt) + ".part";
    int fd = openFd(partPath, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd >= 0) return File(fd);
    if (errno != EEXIST) break;
  }
  partPath.clear();
  return File();
}

bool renameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool fileExists(const std::string& path) { return File::openRead(path).isOpen(); }

bool pathTaken(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool wipeAndDelete(File& file, const std::string& path) {
  bool wiped = true;
  if (file.isOpen()) {
    constexpr uint64_t kPiece = 0x400000;
    uint64_t left = file.size();
    std::vector<char> zeros(static_cast<size_t>(std::min(left, kPiece)), 0);
    wiped = file.seek(0);
    while (wiped && left > 0) {
      size_t n = static_cast<size_t>(std::min(left, kPiece));
      wiped = file.writeExact(zeros.data(), n);
      left -= n;
    }
    // The zeros must reach the disk before the name goes, or the old blocks could survive.
    if (wiped) wiped = file.sync();
    file.close();
  }
  bool removed = removeFile(path);
  return wiped && removed;
}

void injectWriteFailureAfter(int writes) { g_writesBeforeFailure.store(writes); }

}  // namespace murl::platform
