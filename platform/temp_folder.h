#pragma once
#include <string>

namespace murl::platform {

// The folder for temporary files, always ending in a separator: on POSIX systems $TMPDIR when set
// and non-empty, else /tmp; on Windows the user's, as the system names it.
std::string tempFolder();

}  // namespace murl::platform
