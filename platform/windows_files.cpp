#include "platform/windows_files.h"

#include <algorithm>

namespace murl::platform::windows {
namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr size_t kMaxTransfer = 0x40000000;

class HandleFile final : public FileImpl {
 public:
  explicit HandleFile(HANDLE handle) : handle_(handle) {}
  ~HandleFile() override { ::CloseHandle(handle_); }
  HandleFile(const HandleFile&) = delete;
  HandleFile& operator=(const HandleFile&) = delete;

  size_t read(void* buffer, size_t count) override {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
      DWORD moved = 0;
      DWORD ask = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
      if (!::ReadFile(handle_, out + done, ask, &moved, nullptr) || moved == 0) break;
      done += moved;
    }
    return done;
  }
  size_t write(const void* buffer, size_t count) override {
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
      DWORD moved = 0;
      DWORD ask = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
      if (!::WriteFile(handle_, in + done, ask, &moved, nullptr) || moved == 0) break;
      done += moved;
    }
    return done;
  }
  bool seek(uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return offset <= static_cast<uint64_t>(INT64_MAX) &&
           ::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
  }
  uint64_t position() const override {
    LARGE_INTEGER zero{}, at{};
    return ::SetFilePointerEx(handle_, zero, &at, FILE_CURRENT) ? static_cast<uint64_t>(at.QuadPart)
                                                                : 0;
  }
  uint64_t size() const override {
    LARGE_INTEGER bytes{};
    return ::GetFileSizeEx(handle_, &bytes) ? static_cast<uint64_t>(bytes.QuadPart) : 0;
  }
  // Like ftruncate, the position stays where it was.
  bool truncate(uint64_t length) override {
    uint64_t at = position();
    bool done = seek(length) && ::SetEndOfFile(handle_);
    return seek(at) && done;
  }
  bool sync() override { return ::FlushFileBuffers(handle_) != 0; }

 private:
  HANDLE handle_;
};

}  // namespace

File fileOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return File();
  return File(std::make_unique<HandleFile>(handle));
}

HANDLE openDiskFile(const std::wstring& name, DWORD access, DWORD disposition, DWORD flags) {
  // Without backup semantics a folder is refused by the system itself.
  HANDLE handle = ::CreateFileW(name.c_str(), access, kShareAll, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | flags, nullptr);
  if (handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

HANDLE openForInformation(const std::wstring& name, DWORD flags) {
  // Backup semantics lets a folder be opened too; no access asked beyond its attributes.
  return ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

uint32_t attributesWord(DWORD attributes) {
  uint32_t word = attributes & (kSettableAttributes | FILE_ATTRIBUTE_DIRECTORY);
  return word == 0 ? attr::kNormal : word;
}

std::optional<FileId> idOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<FileId> idOf(const std::wstring& name) {
  HANDLE handle = openForInformation(name);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileId> id = idOf(handle);
  ::CloseHandle(handle);
  return id;
}

bool setAttributesOf(HANDLE handle, uint32_t attributes) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
  DWORD wanted = (basic.FileAttributes & ~kSettableAttributes) | (attributes & kSettableAttributes);
  wanted &= ~DWORD{FILE_ATTRIBUTE_NORMAL};
  basic.FileAttributes = wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted;
  // Zero times are left as they are.
  basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = 0;
  basic.LastWriteTime.QuadPart = basic.ChangeTime.QuadPart = 0;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

}  // namespace murl::platform::windows
