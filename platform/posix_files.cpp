#include "platform/posix_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace murl::platform::posix {
namespace {

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

// Writes go to the kernel at most this much at a time. On the Linux kernels we run on, one write
// of 1 MiB or more into the page cache costs about ten times the system time of the same bytes
// written 256 KiB at a time (large-folio allocation); smaller slices cost nothing measurable.
constexpr size_t kWriteSlice = 256 * 1024;

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
    return transfer(count, [&](size_t done) {
      return ::write(fd_, in + done, std::min(count - done, kWriteSlice));
    });
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
  size_t readAt(uint64_t offset, void* buffer, size_t count) override {
    auto* out = static_cast<char*>(buffer);
    return transfer(count, [&](size_t done) {
      return ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    });
  }
  // pread neither uses nor moves the descriptor's offset, so it runs beside write.
  bool readsAtWhileWritten() const override { return true; }

 private:
  int fd_;
};

}  // namespace

int openAt(int dir, const std::string& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::openat(dir, path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int openRegular(int dir, const std::string& path, int flags) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  int fd = openAt(dir, path, flags | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

File fileOf(int fd) { return fd < 0 ? File() : File(std::make_unique<DescriptorFile>(fd)); }

uint32_t attributesOf(const std::string& name, const struct stat& st) {
  uint32_t a = 0;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= attr::kReadOnly;
  if (!name.empty() && name[0] == '.') a |= attr::kHidden;
  if (S_ISDIR(st.st_mode)) a |= attr::kDirectory;
  return a == 0 ? attr::kNormal : a;
}

mode_t modeFor(uint32_t attributes, mode_t mode) {
  mode &= 07777;
  if (attributes & attr::kReadOnly) return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  return mode | S_IWUSR;
}

}  // namespace murl::platform::posix
