#pragma once
// Folder listing and creation, and the Windows-style attributes word kept for hidden files.
#include <cstdint>
#include <string>
#include <vector>

namespace murl::platform {

// The attributes word as stored in hidden streams (Windows bit values).
namespace attr {
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;
constexpr uint32_t kSystem = 0x04;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kNormal = 0x80;
constexpr uint32_t kInvalid = 0xFFFFFFFF;
}  // namespace attr

struct FolderEntry {
  std::string name;
  bool isFolder = false;
  uint32_t attributes = attr::kNormal;
};

// Lists a folder's entries, without "." and "..", in name order (byte-wise) so results do not
// depend on the file system. Links are followed; entries that are neither files nor folders
// (devices, sockets, broken links) are left out. False when the folder cannot be read.
bool listFolder(const std::string& path, std::vector<FolderEntry>& entries);

bool isFolder(const std::string& path);
// Creates one folder (owner, group and others as the umask allows); true if it now exists.
bool createFolder(const std::string& path);

// Reads the attributes word of a file or folder: read-only when nobody may write it, hidden for
// dot-names, directory for folders, normal when nothing else applies. kInvalid when it is absent.
uint32_t fileAttributes(const std::string& path);
// Applies an attributes word: read-only clears every write permission, anything else restores
// the owner's write permission. The other bits have no meaning here and are ignored.
bool setFileAttributes(const std::string& path, uint32_t attributes);

// Joins a folder and a name with one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);
// The last component of a path (after the last "/").
std::string baseName(const std::string& path);

}  // namespace murl::platform
