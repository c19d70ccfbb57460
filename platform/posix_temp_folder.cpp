#include <cstdlib>

#include "platform/temp_folder.h"

namespace murl::platform {

std::string tempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env && *env) ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace murl::platform
