#include "platform/folders.h"

#include <filesystem>
#include <system_error>

namespace murl::platform {

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (isPathSeparator(folder.back())) return folder + name;
  return folder + "/" + name;
}

std::string baseName(const std::string& path) {
  size_t start = 0;
  if (kBackslashSeparates && path.size() >= 2 && path[1] == ':') start = 2;
  for (size_t i = start; i < path.size(); ++i)
    if (isPathSeparator(path[i])) start = i + 1;
  return path.substr(start);
}

std::string withoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && isPathSeparator(path.back())) path.pop_back();
  return path;
}

std::string absolutePath(const std::string& path) {
  // Through UTF-8 strings, so that no name is narrowed to a Windows code page on the way.
  std::u8string name(path.begin(), path.end());
  std::error_code failed;
  std::u8string absolute =
      std::filesystem::absolute(std::filesystem::path(name), failed).u8string();
  if (failed) return path;
  return std::string(absolute.begin(), absolute.end());
}

std::string folderOf(const std::string& path) {
  // A drive's own top ("C:\\") keeps its separator, as "/" does.
  const size_t top = kBackslashSeparates && path.size() >= 2 && path[1] == ':' ? 2 : 0;
  size_t slash = std::string::npos;
  for (size_t i = top; i < path.size(); ++i)
    if (isPathSeparator(path[i])) slash = i;
  if (slash == std::string::npos) return top ? path.substr(0, top) : ".";
  return slash == top ? path.substr(0, top + 1) : path.substr(0, slash);
}

}  // namespace murl::platform
