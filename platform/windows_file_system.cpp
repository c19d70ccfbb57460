// The disk through the Win32 calls, names in UTF-8 turned into UTF-16 (long paths included).
// What POSIX systems do by permission bits is done here by the file's own attributes.
#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/windows_text.h"

namespace murl::platform {
namespace {

using windows::systemPath;

// The attributes a hidden stream keeps and a file may be given back.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
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

// Opens or creates a disk file; anything else the name leads to (a folder, a device such as
// "CON", a pipe) is refused.
File openHandle(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE handle = ::CreateFileW(systemPath(path).c_str(), access,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return File();
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return File();
  }
  return File(std::make_unique<HandleFile>(handle));
}

// The attributes word as the system keeps it, with "normal" standing alone as it does there.
uint32_t attributesWord(DWORD attributes) {
  uint32_t word = attributes & (kSettableAttributes | FILE_ATTRIBUTE_DIRECTORY);
  return word == 0 ? attr::kNormal : word;
}

struct Identity {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
};

bool identify(const std::string& path, Identity& id) {
  HANDLE handle = ::CreateFileW(systemPath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return ok;
}

class WindowsFileSystem final : public FileSystem {
 public:
  File openRead(const std::string& path) override {
    return openHandle(path, GENERIC_READ, OPEN_EXISTING);
  }
  File openReadWrite(const std::string& path) override {
    return openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  }
  File createTruncate(const std::string& path) override {
    return openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  }
  // CREATE_NEW fails on any name that exists, a link included; the folders it is used in (the
  // user's temporary folder) are the user's own.
  File createExclusive(const std::string& path) override {
    return openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  }
  File createBeside(const std::string& path, std::string& partPath) override;

  bool rename(const std::string& from, const std::string& to) override {
    return ::MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING) != 0;
  }
  // A read-only file is removed as well, as POSIX systems let its folder's owner do.
  bool remove(const std::string& path) override {
    std::wstring name = systemPath(path);
    if (::DeleteFileW(name.c_str())) return true;
    DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return false;
    ::SetFileAttributesW(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (::DeleteFileW(name.c_str())) return true;
    ::SetFileAttributesW(name.c_str(), attributes);
    return false;
  }
  bool fileExists(const std::string& path) override { return openRead(path).isOpen(); }
  bool pathTaken(const std::string& path) override {
    return ::GetFileAttributesW(systemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  bool sameFile(const std::string& a, const std::string& b) override {
    Identity ia, ib;
    return identify(a, ia) && identify(b, ib) && ia.volume == ib.volume && ia.high == ib.high &&
           ia.low == ib.low;
  }

  bool isFolder(const std::string& path) override {
    DWORD attributes = ::GetFileAttributesW(systemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool createFolder(const std::string& path) override {
    if (::CreateDirectoryW(systemPath(path).c_str(), nullptr)) return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS && isFolder(path);
  }
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
  uint32_t fileAttributes(const std::string& path) override {
    DWORD attributes = ::GetFileAttributesW(systemPath(path).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? attr::kInvalid : attributesWord(attributes);
  }
  // Read-only, hidden, system and archive are the file's own attributes here, so all four are
  // applied; the folder bit and the rest are the system's to keep.
  bool setFileAttributes(const std::string& path, uint32_t attributes) override {
    std::wstring name = systemPath(path);
    DWORD now = ::GetFileAttributesW(name.c_str());
    if (now == INVALID_FILE_ATTRIBUTES) return false;
    DWORD wanted = (now & ~kSettableAttributes) | (attributes & kSettableAttributes);
    wanted &= ~DWORD{FILE_ATTRIBUTE_NORMAL};
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(name.c_str(), wanted) != 0;
  }
};

File WindowsFileSystem::createBeside(const std::string& path, std::string& partPath) {
  size_t slash = path.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  // A short name of our own, whatever the length of the final one.
  std::string stem = folder + ".murl-" + std::to_string(::GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    partPath = stem + std::to_string(attempt) + ".part";
    File file = createExclusive(partPath);
    if (file.isOpen()) return file;
    if (::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  partPath.clear();
  return File();
}

bool WindowsFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::wstring pattern = systemPath(joinPath(path, "*"));
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::string name = windows::utf8FromWide(found.cFileName);
    if (name == "." || name == "..") continue;
    bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries.push_back({name, folder, attributesWord(found.dwFileAttributes)});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

}  // namespace

FileSystem& realFileSystem() {
  static WindowsFileSystem disk;
  return disk;
}

}  // namespace murl::platform
