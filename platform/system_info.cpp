#include "platform/system_info.h"

#include "platform/byte_order.h"

namespace murl::platform {

std::array<uint8_t, 16> serialise(const SystemTime& time) {
  std::array<uint8_t, 16> out{};
  const uint16_t fields[8] = {time.year, time.month,  time.dayOfWeek, time.day,
                              time.hour, time.minute, time.second,    time.milliseconds};
  for (int i = 0; i < 8; ++i) storeLe16(out.data() + 2 * i, fields[i]);
  return out;
}

std::array<uint8_t, 36> serialise(const SystemInfo& info) {
  std::array<uint8_t, 36> out{};
  storeLe16(out.data() + 0, info.processorArchitecture);
  storeLe32(out.data() + 4, info.pageSize);
  storeLe32(out.data() + 8, info.minimumAddress);
  storeLe32(out.data() + 12, info.maximumAddress);
  storeLe32(out.data() + 16, info.activeProcessorMask);
  storeLe32(out.data() + 20, info.numberOfProcessors);
  storeLe32(out.data() + 24, info.processorType);
  storeLe32(out.data() + 28, info.allocationGranularity);
  storeLe16(out.data() + 32, info.processorLevel);
  storeLe16(out.data() + 34, info.processorRevision);
  return out;
}

}  // namespace murl::platform
