#pragma once
// What the Windows disk implementation's files and folders share: handles over UTF-16 names, the
// attributes word as the system keeps it, and which object a handle leads to.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/folder.h"
#include "platform/folders.h"

namespace murl::platform::windows {

// The attributes a hidden stream keeps and a file may be given back.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// Other programs may read, write and delete what we have open, as on POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A File over the handle, which it then owns; not open for INVALID_HANDLE_VALUE.
File fileOf(HANDLE handle);
// A disk file's handle; anything else the name leads to (a folder, a device such as "CON", a
// pipe) is closed again and refused. INVALID_HANDLE_VALUE on failure.
HANDLE openDiskFile(const std::wstring& name, DWORD access, DWORD disposition, DWORD flags = 0);
// A handle that only tells about the file or folder (links followed unless `flags` says).
HANDLE openForInformation(const std::wstring& name, DWORD flags = 0);

// The attributes word, with "normal" standing alone as it does there.
uint32_t attributesWord(DWORD attributes);
// The volume and file index of what the handle leads to.
std::optional<FileId> idOf(HANDLE handle);
// The id of what the name leads to, links followed.
std::optional<FileId> idOf(const std::wstring& name);
// Gives the file (by its handle) the attributes a hidden stream keeps; the rest stay.
bool setAttributesOf(HANDLE handle, uint32_t attributes);

// The folder at `path` (links followed), open for work by name inside it.
std::unique_ptr<FolderImpl> openFolder(const std::string& path);

}  // namespace murl::platform::windows
