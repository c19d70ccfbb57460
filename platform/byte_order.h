#pragma once
// Multi-byte fields read from and written to byte buffers in an explicit byte order: our own
// formats are little-endian, AIFF, AU and PNG big-endian. Never by casting structs. Every load and
// store goes through memcpy, so unaligned addresses are fine, and compilers turn each one into a
// single (byte-swapping where needed) load or store.
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <vector>

namespace murl {

// The value with its bytes in the opposite order.
template <std::unsigned_integral T>
constexpr T swapBytes(T value) {
  T swapped = 0;
  for (size_t i = 0; i < sizeof(T); ++i, value >>= 8) {
    swapped = static_cast<T>(swapped << 8 | (value & 0xFF));
  }
  return swapped;
}

template <std::unsigned_integral T, std::endian Order>
T loadOrdered(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native != Order) value = swapBytes(value);
  return value;
}

template <std::unsigned_integral T, std::endian Order>
void storeOrdered(uint8_t* at, T value) {
  if constexpr (std::endian::native != Order) value = swapBytes(value);
  std::memcpy(at, &value, sizeof value);
}

inline uint16_t loadLe16(const uint8_t* at) {
  return loadOrdered<uint16_t, std::endian::little>(at);
}
inline uint32_t loadLe32(const uint8_t* at) {
  return loadOrdered<uint32_t, std::endian::little>(at);
}
inline uint64_t loadLe64(const uint8_t* at) {
  return loadOrdered<uint64_t, std::endian::little>(at);
}
inline uint16_t loadBe16(const uint8_t* at) { return loadOrdered<uint16_t, std::endian::big>(at); }
inline uint32_t loadBe32(const uint8_t* at) { return loadOrdered<uint32_t, std::endian::big>(at); }
inline uint64_t loadBe64(const uint8_t* at) { return loadOrdered<uint64_t, std::endian::big>(at); }

inline void storeLe16(uint8_t* at, uint16_t value) {
  storeOrdered<uint16_t, std::endian::little>(at, value);
}
inline void storeLe32(uint8_t* at, uint32_t value) {
  storeOrdered<uint32_t, std::endian::little>(at, value);
}
inline void storeLe64(uint8_t* at, uint64_t value) {
  storeOrdered<uint64_t, std::endian::little>(at, value);
}
inline void storeBe16(uint8_t* at, uint16_t value) {
  storeOrdered<uint16_t, std::endian::big>(at, value);
}
inline void storeBe32(uint8_t* at, uint32_t value) {
  storeOrdered<uint32_t, std::endian::big>(at, value);
}
inline void storeBe64(uint8_t* at, uint64_t value) {
  storeOrdered<uint64_t, std::endian::big>(at, value);
}

// The value's bytes at the end of `out`, for building whole records and test files.
template <std::unsigned_integral T, std::endian Order>
void appendOrdered(std::vector<uint8_t>& out, T value) {
  uint8_t bytes[sizeof(T)];
  storeOrdered<T, Order>(bytes, value);
  out.insert(out.end(), bytes, bytes + sizeof(T));
}
inline void appendLe16(std::vector<uint8_t>& out, uint16_t value) {
  appendOrdered<uint16_t, std::endian::little>(out, value);
}
inline void appendLe32(std::vector<uint8_t>& out, uint32_t value) {
  appendOrdered<uint32_t, std::endian::little>(out, value);
}
inline void appendBe16(std::vector<uint8_t>& out, uint16_t value) {
  appendOrdered<uint16_t, std::endian::big>(out, value);
}
inline void appendBe32(std::vector<uint8_t>& out, uint32_t value) {
  appendOrdered<uint32_t, std::endian::big>(out, value);
}

}  // namespace murl
