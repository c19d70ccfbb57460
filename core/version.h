#pragma once
#include <string>
#include <string_view>

namespace murl {

// What --version prints for `program`: its name, the version and the zlib it runs with, which
// decides how hidden streams are compressed.
std::string versionLine(std::string_view program);

}  // namespace murl
