#include <windows.h>

#include "platform/temp_folder.h"
#include "platform/windows_text.h"

namespace murl::platform {

// The user's temporary folder as the system names it (from TMP or TEMP, else the profile's).
std::string tempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return ".\\";
  std::string folder = windows::utf8FromWide(std::wstring(buffer, n));
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

}  // namespace murl::platform
