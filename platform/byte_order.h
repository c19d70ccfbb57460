#pragma once
// Multi-byte fields read from and written to byte buffers in an explicit byte order: our own
// formats are little-endian, AIFF, AU and PNG big-endian. Never by casting structs.
#include <cstdint>

namespace murl {

inline uint16_t loadLe16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
inline uint32_t loadLe32(const uint8_t* at) {
  return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
         (uint32_t{at[3]} << 24);
}
inline uint16_t loadBe16(const uint8_t* at) { return static_cast<uint16_t>((at[0] << 8) | at[1]); }
inline uint32_t loadBe32(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}
inline uint64_t loadBe64(const uint8_t* at) {
  return (uint64_t{loadBe32(at)} << 32) | loadBe32(at + 4);
}
inline void storeLe16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
inline void storeLe32(uint8_t* at, uint32_t value) {
  storeLe16(at, static_cast<uint16_t>(value));
  storeLe16(at + 2, static_cast<uint16_t>(value >> 16));
}
inline void storeBe32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

}  // namespace murl
