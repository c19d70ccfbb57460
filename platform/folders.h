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

// Joins a folder and a name with one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);
// The last component of a path (after the last "/").
std::string baseName(const std::string& path);

}  // namespace murl::platform
