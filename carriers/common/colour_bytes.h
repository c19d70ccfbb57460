#pragma once
// Colour bytes eight at a time (a 24-bit bitmap row, a decoded image row): every byte is a unit,
// bit 0 its unit bit; see unit_groups.h for what a grouper gives.
#include <array>
#include <cstdint>

#include "carriers/common/image_usability.h"
#include "carriers/common/unit_groups.h"

namespace murl {

class ColourByteGrouper {
 public:
  static constexpr uint32_t kUnitBytes = 1;
  static constexpr uint32_t kBitByte = 0;

  // The lanes of bits level + 1 to 7: a byte qualifies when it has any of them.
  explicit ColourByteGrouper(uint8_t level)
      : level_(level), loudBits_(uint64_t{(0xFFu << (level + 1)) & 0xFF} * kLaneLow) {}

  UnitGroup group(const uint8_t* at) const {
    const uint64_t bytes = loadLe64(at);
    return {gather(loudLanes(bytes)), gather(bytes & kLaneLow)};
  }

  // The eight bytes at `at`: bit 0 of a byte's lane set when it qualifies.
  uint64_t qualifyingLanes(const uint8_t* at) const { return loudLanes(loadLe64(at)); }

  static void flip(uint8_t* at, uint8_t flips) { storeLe64(at, loadLe64(at) ^ kSpread[flips]); }

  uint8_t qualifies(const uint8_t* unit) const { return isImageUnit(*unit, level_); }

 private:
  static constexpr uint64_t kLaneLow = 0x0101010101010101;
  static constexpr uint64_t kLaneHigh = 0x8080808080808080;

  uint64_t loudLanes(uint64_t bytes) const {
    const uint64_t loud = bytes & loudBits_;
    // Seven low bits plus 0x7F carry into bit 7 exactly when they are not zero, and never out of
    // the lane.
    return ((((loud & ~kLaneHigh) + (kLaneHigh - kLaneLow)) | loud) & kLaneHigh) >> 7;
  }

  // Bit 0 of byte j as bit 7 - j: the multiplier moves each to its place without overlaps.
  static uint8_t gather(uint64_t lanes) {
    return static_cast<uint8_t>((lanes * 0x8040201008040201) >> 56);
  }
  // The inverse: bit 7 - j of a byte as bit 0 of byte j.
  static constexpr std::array<uint64_t, 256> kSpread = [] {
    std::array<uint64_t, 256> lanes{};
    for (uint32_t n = 0; n < 256; ++n) {
      for (int j = 0; j < 8; ++j) lanes[n] |= uint64_t{(n >> (7 - j)) & 1} << (8 * j);
    }
    return lanes;
  }();

  uint8_t level_;
  uint64_t loudBits_;
};

}  // namespace murl
