#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/console.h"
#include "platform/windows_text.h"

namespace murl::platform {
namespace {

HANDLE standardHandle(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::kOutput:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::kError:
      return ::GetStdHandle(STD_ERROR_HANDLE);
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// A console, not a file or a pipe: only a console has a console mode.
bool isTerminal(StandardStream stream) {
  DWORD mode;
  HANDLE handle = standardHandle(stream);
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(windows::utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void prepareConsole() {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
}

}  // namespace murl::platform
