#pragma once
// The marker segments of a baseline JPEG file that decide how its scans are walked: the frame
// header (SOF0), the scan headers (SOS) and the restart interval (DRI). Each parser takes a
// segment's payload, the bytes after its length field.
#include <array>
#include <cstdint>
#include <span>

#include "carriers/jpeg/huffman.h"

namespace murl::jpeg {

constexpr uint16_t kSoi = 0xFFD8;
constexpr uint16_t kEoi = 0xFFD9;
constexpr uint16_t kSos = 0xFFDA;
constexpr uint8_t kFirstRestart = 0xD0;  // RST0; RST1 to RST7 follow
constexpr uint32_t kBlockCoefficients = 64;

// What a marker met between segments means for the walk.
enum class MarkerRole : uint8_t {
  kFrame,            // SOF0
  kHuffmanTables,    // DHT
  kScan,             // SOS
  kRestartInterval,  // DRI
  kEnd,              // EOI
  kSkipped,          // DQT, APPn, COM and the reserved 0xFF02 to 0xFFBF: copied, never read
  kRefused,          // every other coding process, RSTn outside a scan, SOI again, 0xFFFF
};
MarkerRole markerRole(uint16_t marker);

struct FrameComponent {
  uint8_t id = 0;
  uint8_t h = 1;  // sampling factors, 1 or 2
  uint8_t v = 1;
};

struct Frame {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t count = 0;
  std::array<FrameComponent, 4> components{};
  uint8_t maxH = 1;
  uint8_t maxV = 1;
};

// 8-bit samples, a non-zero size, 1 to 4 components with factors of 1 or 2 (equal ones when the
// image has one component).
bool parseFrame(std::span<const uint8_t> payload, Frame& frame);

// One scan's walk: MCUs in order, each a run of blocks, each block decoded with its component's
// DC and AC tables.
struct Scan {
  uint64_t mcus = 0;
  uint32_t blocksPerMcu = 0;  // at most 16: four components of four blocks
  std::array<uint8_t, 16> dcSlot{};
  std::array<uint8_t, 16> acSlot{};
};

// 1 to 4 components (no more than the frame's), all coefficients (0 to 63) in the scan, each
// component one of the frame's with both of its tables defined. A scan of several components
// walks the frame's MCUs, each component's h x v blocks in turn; a scan of one component walks
// that component's own blocks one at a time, over the part of the image it covers.
bool parseScan(std::span<const uint8_t> payload, const Frame& frame, const HuffmanSlots& tables,
               Scan& scan);

// DRI: the payload is the 2-byte interval (0 turns restart markers off).
bool parseRestartInterval(std::span<const uint8_t> payload, uint16_t& interval);

}  // namespace murl::jpeg
