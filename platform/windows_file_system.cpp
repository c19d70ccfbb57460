// The disk through the Win32 calls, names in UTF-8 turned into UTF-16 (long paths included).
// What POSIX systems do by permission bits is done here by the file's own attributes.
#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/windows_files.h"
#include "platform/windows_text.h"

namespace murl::platform {
namespace {

using windows::attributesWord;
using windows::fileOf;
using windows::openDiskFile;
using windows::systemPath;

// Declared by the headers only for Windows 10 and later, where the call exists.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// "\\?\C:\x" is shown as "C:\x" and "\\?\UNC\server\share" as "\\server\share".
std::string withoutLongPrefix(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + windows::utf8FromWide(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0) return windows::utf8FromWide(path.substr(4));
  return windows::utf8FromWide(path);
}

class WindowsFileSystem final : public FileSystem {
 public:
  File openRead(const std::string& path) override {
    return fileOf(openDiskFile(systemPath(path), GENERIC_READ, OPEN_EXISTING));
  }
  File openReadWrite(const std::string& path) override {
    return fileOf(openDiskFile(systemPath(path), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
  }
  File createTruncate(const std::string& path) override {
    return fileOf(openDiskFile(systemPath(path), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
  }
  // CREATE_NEW fails on any name that exists, a link included; the folders it is used in (the
  // user's temporary folder) are the user's own.
  File createExclusive(const std::string& path) override {
    return fileOf(openDiskFile(systemPath(path), GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
  }
  File createAnonymous(const std::string& path) override;

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
  std::optional<FileId> fileId(const std::string& path) override {
    return windows::idOf(systemPath(path));
  }
  std::string resolvePath(const std::string& path) override;

  bool isFolder(const std::string& path) override {
    DWORD attributes = ::GetFileAttributesW(systemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  // An owner-only folder keeps the rights of the user's own folders (the temporary folder is
  // one); its files are owner-only through NewFile when asked.
  bool createFolder(const std::string& path, bool) override {
    if (::CreateDirectoryW(systemPath(path).c_str(), nullptr)) return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS && isFolder(path);
  }
  Folder openFolder(const std::string& path) override { return Folder(windows::openFolder(path)); }
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
    DWORD wanted =
        (now & ~windows::kSettableAttributes) | (attributes & windows::kSettableAttributes);
    wanted &= ~DWORD{FILE_ATTRIBUTE_NORMAL};
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(name.c_str(), wanted) != 0;
  }
};

// Windows keeps no file without a name. The name is taken away at once where the system can
// (POSIX semantics of deletion); elsewhere it lasts while the file is open, and goes with the
// last handle whatever becomes of the process.
File WindowsFileSystem::createAnonymous(const std::string& path) {
  if (pathTaken(path)) return File();
  HANDLE file = ::CreateFileW(systemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return File();
  FILE_DISPOSITION_INFO_EX posix{FILE_DISPOSITION_FLAG_DELETE |
                                 FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  FILE_DISPOSITION_INFO classic{TRUE};
  if (!::SetFileInformationByHandle(file, kDispositionInfoEx, &posix, sizeof posix) &&
      !::SetFileInformationByHandle(file, FileDispositionInfo, &classic, sizeof classic)) {
    ::CloseHandle(file);
    ::DeleteFileW(systemPath(path).c_str());
    return File();
  }
  return fileOf(file);
}

std::string WindowsFileSystem::resolvePath(const std::string& path) {
  HANDLE handle = windows::openForInformation(systemPath(path));
  if (handle == INVALID_HANDLE_VALUE) return "";
  DWORD n = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  std::wstring resolved(n, L'\0');
  n = n == 0 ? 0 : ::GetFinalPathNameByHandleW(handle, resolved.data(), n, FILE_NAME_NORMALIZED);
  ::CloseHandle(handle);
  resolved.resize(n);
  return n == 0 ? "" : withoutLongPrefix(resolved);
}

bool WindowsFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  const std::wstring folder = systemPath(path);
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  const std::wstring prefix = pattern;
  pattern += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::string name = windows::utf8FromWide(found.cFileName);
    if (name == "." || name == "..") continue;
    FolderEntry entry{name, false, false, attr::kNormal, {}};
    // What the entry leads to, a link followed; a broken link is neither file nor folder.
    HANDLE target = windows::openForInformation(prefix + found.cFileName);
    BY_HANDLE_FILE_INFORMATION info;
    if (target != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(target, &info)) {
      entry.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entry.isFile = !entry.isFolder && ::GetFileType(target) == FILE_TYPE_DISK;
      entry.attributes = attributesWord(info.dwFileAttributes);
      entry.id = {info.dwVolumeSerialNumber,
                  (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }
    if (target != INVALID_HANDLE_VALUE) ::CloseHandle(target);
    entries.push_back(std::move(entry));
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
