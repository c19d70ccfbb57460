// Folders of the disk held by handle. A folder is held open without letting anyone rename or
// delete it, and Windows renames no folder while something inside it is open, so the path kept
// for a held folder leads to that folder for as long as it is held. Every name inside it is one
// component looked up there, and a link (a reparse point) below it is never followed.
#include "platform/windows_files.h"
// After windows.h, which it needs.
#include <sddl.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/windows_text.h"

namespace murl::platform::windows {
namespace {

// Held folders let others read and add to them, never rename or remove them.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { ::CloseHandle(handle_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A short name of our own for a file on its way to its real one; unique within the process, and
// the process id keeps other processes apart.
std::wstring partName() {
  static std::atomic<uint64_t> made{0};
  return L".murl-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(made++) +
         L".part";
}

bool single(const std::string& name) {
  // ":" would name a stream of a file rather than a file.
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

// The held folder's path as the system resolved it, in the "\\?\" form that takes any length.
std::wstring finalPath(HANDLE handle) {
  DWORD n = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (n == 0) return L"";
  std::wstring path(n, L'\0');
  n = ::GetFinalPathNameByHandleW(handle, path.data(), n, FILE_NAME_NORMALIZED);
  path.resize(n);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Whether the file goes away when its last handle closes (or the process ends, even killed).
bool deleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove)};
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// Renames the open file itself, so nothing that appears under its old name meanwhile is moved.
bool renameOpenFile(HANDLE file, const std::wstring& target, bool replace) {
  const size_t bytes = target.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, target.data(), bytes);
  return ::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size())) != 0;
}

// Security for a file only its owner may open; null (the folder's inherited rights) otherwise.
class OwnerOnly {
 public:
  explicit OwnerOnly(bool wanted) {
    if (wanted && ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                      L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &descriptor_, nullptr))
      attributes_ = {sizeof attributes_, descriptor_, FALSE};
  }
  ~OwnerOnly() { ::LocalFree(descriptor_); }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  SECURITY_ATTRIBUTES* get() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

// A file written under a part name of its own that goes away when it is closed, unless it has
// been published under its real name by then.
class PartNaming final : public NewFileNaming {
 public:
  PartNaming(std::shared_ptr<Handle> folder, std::wstring folderPath, std::wstring part,
             HANDLE file)
      : folder_(std::move(folder)),
        folderPath_(std::move(folderPath)),
        part_(std::move(part)),
        file_(file) {}

  bool setAttributes(uint32_t attributes) override { return setAttributesOf(file_, attributes); }
  bool publish(const std::string& name, bool replace) override {
    const std::wstring target = folderPath_ + L"\\" + wideFromUtf8(name);
    if (!deleteOnClose(file_, false)) return false;
    if (renameOpenFile(file_, target, replace) ||
        (replace && clearReadOnly(target) && renameOpenFile(file_, target, replace)))
      return true;
    deleteOnClose(file_, true);
    return false;
  }
  // The handle is closed by now; the name goes if closing has not taken it already.
  void forget() override {
    const std::wstring part = folderPath_ + L"\\" + part_;
    ::SetFileAttributesW(part.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(part.c_str());
  }

 private:
  // A read-only file is replaced as well, as POSIX systems let its folder's owner do; never a
  // folder, never what a link leads to.
  static bool clearReadOnly(const std::wstring& target) {
    DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      return false;
    return ::SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  }

  std::shared_ptr<Handle> folder_;  // keeps the folder held until the file is named
  std::wstring folderPath_;
  std::wstring part_;
  HANDLE file_;  // owned by the NewFile's File
};

class WindowsFolder final : public FolderImpl {
 public:
  WindowsFolder(HANDLE handle, std::wstring path)
      : handle_(std::make_shared<Handle>(handle)), path_(std::move(path)) {}
  ~WindowsFolder() override {
    if (lock_) {
      ::ReleaseSemaphore(lock_, 1, nullptr);
      ::CloseHandle(lock_);
    }
  }

  EntryKind kind(const std::string& name) override {
    if (!single(name)) return EntryKind::kNone;
    DWORD attributes = ::GetFileAttributesW(child(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kOther;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
  }
  std::optional<FileId> id(const std::string& name) override {
    return single(name) ? idOf(child(name)) : std::nullopt;
  }
  std::unique_ptr<FolderImpl> openSubfolder(const std::string& name) override {
    if (!single(name)) return nullptr;
    // The handle says what was opened, so a link put in place meanwhile is refused too; a real
    // folder held in this one is known by this one's path and its name.
    const std::wstring path = child(name);
    HANDLE handle =
        ::CreateFileW(path.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return held(handle, path, true);
  }
  bool createSubfolder(const std::string& name) override {
    return single(name) && ::CreateDirectoryW(child(name).c_str(), nullptr);
  }
  bool removeSubfolder(const std::string& name) override {
    return kind(name) == EntryKind::kFolder && ::RemoveDirectoryW(child(name).c_str());
  }
  NewFile createNew(bool ownerOnly) override;
  // A semaphore named after the folder's id stands in for a lock on the folder, which Windows
  // does not have: one holder at a time in the user's session, this process included.
  bool lock() override {
    if (lock_) return false;
    std::optional<FileId> id = idOf(handle_->get());
    if (!id) return false;
    const std::wstring name =
        L"Local\\murl-folder-" + std::to_wstring(id->device) + L"-" + std::to_wstring(id->inode);
    HANDLE semaphore = ::CreateSemaphoreW(nullptr, 1, 1, name.c_str());
    if (!semaphore) return false;
    if (::WaitForSingleObject(semaphore, 0) != WAIT_OBJECT_0) {
      ::CloseHandle(semaphore);
      return false;
    }
    lock_ = semaphore;
    return true;
  }

  // The folder behind `handle`, which it then owns, known by `path` from now on; null when it
  // is not a folder (or, when `noLink`, is a link).
  static std::unique_ptr<FolderImpl> held(HANDLE handle, std::wstring path, bool noLink) {
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    if (!path.empty() && ::GetFileInformationByHandle(handle, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(noLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
      return std::make_unique<WindowsFolder>(handle, std::move(path));
    ::CloseHandle(handle);
    return nullptr;
  }

 private:
  std::wstring child(const std::string& name) const { return path_ + L"\\" + wideFromUtf8(name); }

  std::shared_ptr<Handle> handle_;
  std::wstring path_;
  HANDLE lock_ = nullptr;
};

NewFile WindowsFolder::createNew(bool ownerOnly) {
  OwnerOnly security(ownerOnly);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring part = partName();
    // Nobody else opens it while it is written.
    HANDLE file =
        ::CreateFileW((path_ + L"\\" + part).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                      security.get(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (::GetLastError() != ERROR_FILE_EXISTS) break;
      continue;
    }
    if (!deleteOnClose(file, true)) {
      ::CloseHandle(file);
      ::DeleteFileW((path_ + L"\\" + part).c_str());
      break;
    }
    return NewFile(fileOf(file), std::make_unique<PartNaming>(handle_, path_, part, file));
  }
  return NewFile();
}

}  // namespace

std::unique_ptr<FolderImpl> openFolder(const std::string& path) {
  HANDLE handle = ::CreateFileW(systemPath(path).c_str(), kFolderAccess, kFolderShare, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // Known by the path the links led to, so changing a link later moves nothing of the work.
  std::wstring resolved = finalPath(handle);
  if (resolved.empty()) resolved = longPath(path);
  return WindowsFolder::held(handle, std::move(resolved), false);
}

}  // namespace murl::platform::windows
