// The clock, the machine, the user and the random source, from Win32 calls.
#include <windows.h>
// After windows.h, which they need.
#include <bcrypt.h>
#include <lmcons.h>

#include <algorithm>

#include "platform/system_info.h"
#include "platform/windows_text.h"

namespace murl::platform {

SystemTime utcNow() {
  SYSTEMTIME now;
  ::GetSystemTime(&now);
  return SystemTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                    now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

SystemInfo systemInfo() {
  SYSTEM_INFO system;
  ::GetSystemInfo(&system);
  SystemInfo info;
  // The record is a 32-bit program's: addresses and the mask are cut to their low 32 bits.
  info.processorArchitecture = system.wProcessorArchitecture;
  info.pageSize = system.dwPageSize;
  info.minimumAddress =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(system.lpMinimumApplicationAddress));
  info.maximumAddress =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(system.lpMaximumApplicationAddress));
  info.activeProcessorMask = static_cast<uint32_t>(system.dwActiveProcessorMask);
  info.numberOfProcessors = system.dwNumberOfProcessors;
  info.processorType = system.dwProcessorType;
  info.allocationGranularity = system.dwAllocationGranularity;
  info.processorLevel = system.wProcessorLevel;
  info.processorRevision = system.wProcessorRevision;
  return info;
}

std::string userName() {
  wchar_t name[UNLEN + 1];
  DWORD size = UNLEN + 1;
  if (!::GetUserNameW(name, &size) || size == 0) return "";
  return windows::utf8FromWide(std::wstring(name, size - 1));
}

bool osRandomBytes(uint8_t* buffer, size_t count) {
  while (count > 0) {
    ULONG piece = static_cast<ULONG>(std::min<size_t>(count, 0x10000000));
    // Any status but 0 (success) is a failure.
    if (::BCryptGenRandom(nullptr, buffer, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
      return false;
    buffer += piece;
    count -= piece;
  }
  return true;
}

}  // namespace murl::platform
