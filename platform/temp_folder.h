#pragma once
#include <string>

namespace murl::platform {

// The folder for temporary files: $TMPDIR when set and non-empty, else /tmp; always ends in "/".
std::string tempFolder();

}  // namespace murl::platform
