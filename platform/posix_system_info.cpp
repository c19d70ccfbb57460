// The clock, the machine, the user and the random source, from POSIX calls.
#include <pwd.h>
#include <sys/random.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/system_info.h"

namespace murl::platform {
SystemTime utcNow() {
  struct timeval tv;
  ::gettimeofday(&tv, nullptr);
  time_t seconds = tv.tv_sec;
  struct tm parts;
  ::gmtime_r(&seconds, &parts);
  SystemTime t;
  t.year = static_cast<uint16_t>(parts.tm_year + 1900);
  t.month = static_cast<uint16_t>(parts.tm_mon + 1);
  t.dayOfWeek = static_cast<uint16_t>(parts.tm_wday);
  t.day = static_cast<uint16_t>(parts.tm_mday);
  t.hour = static_cast<uint16_t>(parts.tm_hour);
  t.minute = static_cast<uint16_t>(parts.tm_min);
  t.second = static_cast<uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  t.milliseconds = static_cast<uint16_t>(tv.tv_usec / 1000);
  return t;
}

SystemInfo systemInfo() {
  SystemInfo info;
  long page = ::sysconf(_SC_PAGESIZE);
  long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
  info.processorArchitecture = 9;  // x64 family; the value only feeds the session number
  info.pageSize = page > 0 ? static_cast<uint32_t>(page) : 4096;
  info.minimumAddress = 0x10000;
  info.maximumAddress = 0x7FFEFFFF;
  info.numberOfProcessors = cpus > 0 ? static_cast<uint32_t>(cpus) : 1;
  info.activeProcessorMask =
      info.numberOfProcessors >= 32 ? 0xFFFFFFFFu : (1u << info.numberOfProcessors) - 1;
  info.processorType = 8664;
  info.allocationGranularity = 0x10000;
  info.processorLevel = 6;
  info.processorRevision = 0;
  return info;
}

std::string userName() {
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[1024];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
    return found->pw_name;
  const char* env = std::getenv("USER");
  return env ? env : "";
}

bool osRandomBytes(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::getrandom(buffer + done, count - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace murl::platform
