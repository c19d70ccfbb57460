#pragma once
// Letter case folded for ASCII only: "A" to "Z" become "a" to "z" and every other byte stays as it
// is, whatever the user's locale, so names, extensions and keywords sort and compare the same on
// every machine.
#include <string>
#include <string_view>

namespace murl {

constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = asciiLower(c);
  return out;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace murl
