#pragma once
// Counts as every page shows them: decimal digits with the user's thousand separator.
#include <cstdint>
#include <string>

namespace murl {

// "%lu" with the separator put before every group of three digits from the right,
// so 1234567 becomes 1.234.567 with ".".
std::string formatCount(uint32_t value, const std::string& separator);
// The same with the separator of the user's locale.
std::string formatCount(uint32_t value);

}  // namespace murl
