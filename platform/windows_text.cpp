#include "platform/windows_text.h"

#include <windows.h>

namespace murl::platform::windows {
namespace {

// Below this length every file call takes a path as it is (the limit is 260 with the name's
// end, 248 for a folder to be created, less room for a name added inside it).
constexpr size_t kShortPath = 240;

}  // namespace

std::wstring wideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                          nullptr, nullptr);
  return narrow;
}

std::wstring systemPath(const std::string& path) {
  std::wstring wide = wideFromUtf8(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  // The limit applies to the full path, so a short relative name in a deep current folder needs
  // the long form as well.
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.size() < kShortPath) return wide;
  // "\\server\share\..." becomes "\\?\UNC\server\share\...".
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace murl::platform::windows
