#pragma once
// The undo of key mixing over long runs, 32 bytes at a time on processors with AVX2: the
// chaining by vector arithmetic, the inverse tables by gathers. It gives the bytes the scalar
// undo by positions gives.
#include <cstddef>
#include <cstdint>

namespace murl::cipher {

// The per-position view the undo reads, repeating every `period` bytes (a multiple of 256).
struct UnmixPositions {
  const uint16_t* rowAt;  // the table row of each position
  const uint8_t* termAt;  // the byte index's part of the position term at each position
  const uint8_t* table;   // inverse rows of 256 bytes, readable 3 bytes past the last row
  size_t period;
};

constexpr size_t kWideGroup = 32;

// Whether this processor runs unmixWide.
bool wideUnmixAvailable();

// Undoes bytes [from, to) of `in` into `out` from the top down, one group of kWideGroup at a
// time; `from` and `to` are multiples of kWideGroup and `from` is at least kWideGroup. In place
// works: each group reads the two bytes before it before any of them is written.
void unmixWide(const UnmixPositions& at, const uint8_t* in, size_t from, size_t to, uint8_t* out);

}  // namespace murl::cipher
