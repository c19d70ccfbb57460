#include "platform/windows_text.h"

#include <windows.h>

namespace murl::platform::windows {
namespace {

// Below this length every file call takes a path as it is (the limit is 260 with the name's
// end, 248 for a folder to be created, less room for a name added inside it).
constexpr size_t kShortPath = 240;

// The absolute form of a name, "." and ".." resolved; empty when the system cannot tell it.
std::wstring fullPath(const std::wstring& wide) {
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return L"";
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

// "C:\x" becomes "\\?\C:\x" and "\\server\share" "\\?\UNC\server\share"; a device ("\\.\CON")
// stays as it is.
std::wstring longForm(const std::wstring& full) {
  if (full.rfind(L"\\\\.\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

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
  std::wstring full = fullPath(wide);
  return full.size() < kShortPath ? wide : longForm(full);
}

std::wstring longPath(const std::string& path) {
  std::wstring wide = wideFromUtf8(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  std::wstring full = fullPath(wide);
  return full.empty() ? wide : longForm(full);
}

}  // namespace murl::platform::windows
