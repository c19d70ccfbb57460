#include "carriers/jpeg/jpeg_markers.h"

#include <algorithm>

#include "platform/byte_order.h"

namespace murl::jpeg {
namespace {

uint64_t ceilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// Samples of a component with factor `factor` along a side of `size` samples: all of them at the
// largest factor, half (rounded up) otherwise.
uint64_t componentSpan(uint64_t size, uint8_t factor, uint8_t maxFactor) {
  return ceilDiv(size * factor, maxFactor);
}

}  // namespace

MarkerRole markerRole(uint16_t marker) {
  if (marker == 0xFFC0) return MarkerRole::kFrame;
  if (marker == 0xFFC4) return MarkerRole::kHuffmanTables;
  if (marker == kSos) return MarkerRole::kScan;
  if (marker == 0xFFDD) return MarkerRole::kRestartInterval;
  if (marker == kEoi) return MarkerRole::kEnd;
  if (marker == 0xFFDB) return MarkerRole::kSkipped;
  if ((marker >= 0xFFE0 && marker <= 0xFFFE) || (marker >= 0xFF02 && marker <= 0xFFBF)) {
    return MarkerRole::kSkipped;
  }
  return MarkerRole::kRefused;
}

bool parseFrame(std::span<const uint8_t> payload, Frame& frame) {
  frame = Frame{};
  if (payload.size() < 6 || payload[0] != 8) return false;
  frame.height = loadBe16(&payload[1]);
  frame.width = loadBe16(&payload[3]);
  frame.count = payload[5];
  if (frame.height == 0 || frame.width == 0 || frame.count < 1 || frame.count > 4) return false;
  if (payload.size() < 6 + 3u * frame.count) return false;
  for (uint32_t c = 0; c < frame.count; ++c) {
    const uint8_t* at = &payload[6 + 3 * c];
    FrameComponent& component = frame.components[c];
    component = {at[0], static_cast<uint8_t>(at[1] >> 4), static_cast<uint8_t>(at[1] & 15)};
    if (component.h < 1 || component.h > 2 || component.v < 1 || component.v > 2) return false;
    frame.maxH = std::max(frame.maxH, component.h);
    frame.maxV = std::max(frame.maxV, component.v);
  }
  return frame.count != 1 || frame.components[0].h == frame.components[0].v;
}

bool parseScan(std::span<const uint8_t> payload, const Frame& frame, const HuffmanSlots& tables,
               Scan& scan) {
  scan = Scan{};
  if (payload.empty()) return false;
  const uint32_t count = payload[0];
  if (count < 1 || count > 4 || count > frame.count || payload.size() < 4 + 2 * count) {
    return false;
  }
  if (payload[1 + 2 * count] != 0 || payload[2 + 2 * count] != 63) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t id = payload[1 + 2 * i];
    const auto* component =
        std::find_if(frame.components.begin(), frame.components.begin() + frame.count,
                     [id](const FrameComponent& c) { return c.id == id; });
    if (component == frame.components.begin() + frame.count) return false;
    const uint8_t dc = payload[2 + 2 * i] >> 4;
    const uint8_t ac = 16 + (payload[2 + 2 * i] & 15);
    if (!tables[dc].defined() || !tables[ac].defined()) return false;
    if (count == 1) {
      // One component alone: its own blocks, one per MCU.
      const uint64_t wide = componentSpan(frame.width, component->h, frame.maxH);
      const uint64_t high = componentSpan(frame.height, component->v, frame.maxV);
      scan.mcus = ceilDiv(wide, 8) * ceilDiv(high, 8);
      scan.blocksPerMcu = 1;
      scan.dcSlot[0] = dc;
      scan.acSlot[0] = ac;
      return true;
    }
    for (uint32_t b = 0; b < uint32_t{component->h} * component->v; ++b) {
      scan.dcSlot[scan.blocksPerMcu] = dc;
      scan.acSlot[scan.blocksPerMcu++] = ac;
    }
  }
  scan.mcus = ceilDiv(frame.width, 8u * frame.maxH) * ceilDiv(frame.height, 8u * frame.maxV);
  return true;
}

bool parseRestartInterval(std::span<const uint8_t> payload, uint16_t& interval) {
  if (payload.size() != 2) return false;
  interval = loadBe16(payload.data());
  return true;
}

}  // namespace murl::jpeg
