#pragma once
// Clock, user and machine facts used to seed the random source and the session number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace murl::platform {

// Broken-down UTC time, fields in the order the session number stores them.
struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;  // 0 = Sunday
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};
SystemTime utcNow();
// The eight fields as 16-bit little-endian values, 16 bytes.
std::array<uint8_t, 16> serialise(const SystemTime& time);

// Facts about the processor and memory, in the 36-byte little-endian layout of a 32-bit
// system-information record.
struct SystemInfo {
  uint16_t processorArchitecture = 0;
  uint32_t pageSize = 0;
  uint32_t minimumAddress = 0;
  uint32_t maximumAddress = 0;
  uint32_t activeProcessorMask = 0;
  uint32_t numberOfProcessors = 0;
  uint32_t processorType = 0;
  uint32_t allocationGranularity = 0;
  uint16_t processorLevel = 0;
  uint16_t processorRevision = 0;
};
SystemInfo systemInfo();
std::array<uint8_t, 36> serialise(const SystemInfo& info);

// The logged-on user's name; empty when it cannot be found.
std::string userName();

// Fills the buffer from the operating system's random source; false if it cannot.
bool osRandomBytes(uint8_t* buffer, size_t count);

}  // namespace murl::platform
