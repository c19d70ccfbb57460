#pragma once
// What the image carriers share: which colour bytes may carry a hidden bit (BMP, PCX, TGA) and
// the lead-in every image format takes from its size.
#include <cstdint>

namespace murl {

// True when a channel value (already shifted down to its unit bit, so a plain byte for 8-bit
// channels) has one of bits level + 1 to 7 set: level 0 takes every value of 2 or more, level 6
// only 128 or more. Bit 0, the unit bit, never takes part, so writing hidden bits cannot change
// which units qualify.
inline bool isImageUnit(uint32_t value, uint8_t level) {
  return ((value & 0xFFu) >> (level + 1u)) != 0;
}

// The units an image leaves alone before its data bits: (width AND 15) + (height AND 15) + level.
inline uint32_t imageLeadIn(uint32_t width, uint32_t height, uint8_t level) {
  return (width & 15) + (height & 15) + level;
}

}  // namespace murl
