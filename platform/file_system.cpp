#include "platform/file_system.h"

namespace murl::platform {

bool FileSystem::wipeAndDelete(File& file, const std::string& path) {
  bool wiped = wipeFile(file);
  bool removed = remove(path);
  return wiped && removed;
}

}  // namespace murl::platform
