#pragma once
// PNG scanline filters 0 None, 1 Sub, 2 Up, 3 Average and 4 Paeth, byte-wise with the pixel size
// as the distance to the left neighbour, all arithmetic modulo 256. `prior` is the previous
// scanline of the same pass, unfiltered; the first scanline of a pass gets a row of zeros.
#include <cstdint>

namespace murl::png {

constexpr uint8_t kFilterTypes = 5;

// Undoes filter `type` on the n bytes of `row` in place. False for a type above 4, whose bytes
// have no meaning.
bool unfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp);

// Applies filter `type` (0 to 4) to the n raw bytes of `row` into `out`.
void filterRow(uint8_t type, const uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp,
               uint8_t* out);

// Picks the filter type of one scanline: of the stored bytes (the last byte stored for the
// previous scanline of the pass, when there is one, the type byte, the filtered bytes) the type
// under which fewest differ from the byte before them; a tie goes to the lower type.
class FilterChooser {
 public:
  // Two scratch rows of at least n bytes each.
  FilterChooser(uint8_t* scratchA, uint8_t* scratchB) : trial_(scratchA), best_(scratchB) {}

  // Returns the type; `filtered` points at the row filtered with it, valid until the next call.
  // `lastStored` is -1 for the first scanline of a pass.
  uint8_t choose(const uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp, int lastStored,
                 const uint8_t*& filtered);

 private:
  uint8_t* trial_;
  uint8_t* best_;
};

}  // namespace murl::png
