#pragma once
// Names of files and folders, and the Windows-style attributes word kept for hidden files.
#include <cstdint>
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

struct FolderEntry {
  std::string name;
  bool isFolder = false;
  uint32_t attributes = attr::kNormal;
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

}  // namespace murl::platform
