#include "core/version.h"

#include <zlib.h>

namespace murl {

std::string versionLine(std::string_view program) {
  return std::string(program) + " " + MURL_VERSION + " (zlib " + zlibVersion() + ")";
}

}  // namespace murl
