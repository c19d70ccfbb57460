#include "carriers/png/png_filters.h"

#include <cstdlib>
#include <utility>

namespace murl::png {
namespace {

inline uint8_t paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Places where a byte differs from the one before it; the first is compared with `before`.
uint32_t changes(const uint8_t* bytes, uint32_t n, uint8_t before) {
  uint32_t count = bytes[0] != before;
  for (uint32_t i = 1; i < n; ++i) count += bytes[i] != bytes[i - 1];
  return count;
}

}  // namespace

bool unfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp) {
  const uint32_t lead = bpp < n ? bpp : n;  // bytes without a left neighbour
  switch (type) {
    case 0:
      return true;
    case 1:
      for (uint32_t i = bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      return true;
    case 2:
      for (uint32_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return true;
    case 3:
      for (uint32_t i = 0; i < lead; ++i) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
      for (uint32_t i = bpp; i < n; ++i) {
        row[i] = static_cast<uint8_t>(row[i] + ((row[i - bpp] + prior[i]) >> 1));
      }
      return true;
    case 4:
      for (uint32_t i = 0; i < lead; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      for (uint32_t i = bpp; i < n; ++i) {
        row[i] = static_cast<uint8_t>(row[i] + paeth(row[i - bpp], prior[i], prior[i - bpp]));
      }
      return true;
    default:
      return false;
  }
}

void filterRow(uint8_t type, const uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp,
               uint8_t* out) {
  const uint32_t lead = bpp < n ? bpp : n;
  switch (type) {
    case 0:
      for (uint32_t i = 0; i < n; ++i) out[i] = row[i];
      break;
    case 1:
      for (uint32_t i = 0; i < lead; ++i) out[i] = row[i];
      for (uint32_t i = bpp; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - bpp]);
      break;
    case 2:
      for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - prior[i]);
      break;
    case 3:
      for (uint32_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(row[i] - (prior[i] >> 1));
      for (uint32_t i = bpp; i < n; ++i) {
        out[i] = static_cast<uint8_t>(row[i] - ((row[i - bpp] + prior[i]) >> 1));
      }
      break;
    default:
      for (uint32_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(row[i] - prior[i]);
      for (uint32_t i = bpp; i < n; ++i) {
        out[i] = static_cast<uint8_t>(row[i] - paeth(row[i - bpp], prior[i], prior[i - bpp]));
      }
      break;
  }
}

uint8_t FilterChooser::choose(const uint8_t* row, const uint8_t* prior, uint32_t n, uint32_t bpp,
                              int lastStored, const uint8_t*& filtered) {
  uint8_t bestType = 0;
  uint32_t bestCount = ~0u;
  for (uint8_t type = 0; type < kFilterTypes; ++type) {
    filterRow(type, row, prior, n, bpp, trial_);
    const uint32_t count = (lastStored >= 0 && lastStored != type) + changes(trial_, n, type);
    if (count < bestCount) {
      bestCount = count;
      bestType = type;
      std::swap(trial_, best_);
    }
  }
  filtered = best_;
  return bestType;
}

}  // namespace murl::png
