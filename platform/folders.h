#pragma once
// Names of files and folders, what a name leads to, and the Windows-style attributes word kept
// for hidden files.
#include <cstdint>
#include <functional>
#include <string>

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

// Which file or folder a name leads to: two names with equal ids are one object on the disk.
struct FileId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
};

struct FileIdHash {
  size_t operator()(const FileId& id) const {
    return std::hash<uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
  }
};

// What a name is, seen without following a link.
enum class EntryKind : uint8_t {
  kNone,    // nothing has that name
  kFile,    // a regular file
  kFolder,  // a folder
  kOther,   // a link, a FIFO, a socket, a device
};

struct FolderEntry {
  std::string name;
  bool isFolder = false;  // a folder, or a link to one
  bool isFile = false;    // a regular file, or a link to one
  uint32_t attributes = attr::kNormal;
  FileId id;  // of the folder or file it leads to; zero when neither
};

#ifdef _WIN32
inline constexpr bool kBackslashSeparates = true;
#else
inline constexpr bool kBackslashSeparates = false;
#endif

// "/" separates the folders of a path everywhere; on Windows "\" does too.
constexpr bool isPathSeparator(char c) { return c == '/' || (kBackslashSeparates && c == '\\'); }

// Joins a folder and a name with one "/" between them (none when the folder ends in a separator).
std::string joinPath(const std::string& folder, const std::string& name);
// The last component of a path: after the last separator and, on Windows, after a drive ("C:").
std::string baseName(const std::string& path);
// The path with the separators at its end taken away, unless it is nothing but a separator.
std::string withoutTrailingSeparators(std::string path);
// The path made absolute against the current folder, in UTF-8 like every name the program keeps.
std::string absolutePath(const std::string& path);
// The folder a path lies in: "." for a bare name, "/" for a name at the top.
std::string folderOf(const std::string& path);

}  // namespace murl::platform
