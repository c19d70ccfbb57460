#include "carriers/jpeg/huffman.h"

namespace murl::jpeg {

bool HuffmanTable::build(std::span<const uint8_t, kMaxCodeLength> counts,
                         std::span<const uint8_t> symbols) {
  defined_ = false;
  lookup_.fill(0);
  uint32_t code = 0;
  uint32_t index = 0;
  for (uint32_t length = 1; length <= kMaxCodeLength; ++length) {
    const uint32_t n = counts[length - 1];
    if (n > (1u << length) - code) return false;
    maxCode_[length] = n == 0 ? -1 : static_cast<int32_t>(code + n - 1);
    symbolOffset_[length] = static_cast<int32_t>(index) - static_cast<int32_t>(code);
    if (length <= kLookupBits) {
      const uint32_t spread = kLookupBits - length;
      for (uint32_t i = 0; i < n; ++i) {
        const uint16_t entry = static_cast<uint16_t>(length << 8 | symbols[index + i]);
        const uint32_t first = (code + i) << spread;
        for (uint32_t j = 0; j < (1u << spread); ++j) lookup_[first + j] = entry;
      }
    }
    code = (code + n) << 1;
    index += n;
  }
  symbols_.assign(symbols.begin(), symbols.begin() + index);
  defined_ = true;
  return true;
}

// Canonical codes keep every prefix that matched no shorter code at or above the first code of
// the next length, so a code of a length matches exactly when it is not above that length's
// largest.
HuffmanCode HuffmanTable::decodeLong(uint32_t next) const {
  for (uint32_t length = kLookupBits + 1; length <= kMaxCodeLength; ++length) {
    const int32_t code = static_cast<int32_t>(next >> (kMaxCodeLength - length));
    if (code <= maxCode_[length]) {
      return {static_cast<uint8_t>(length), symbols_[code + symbolOffset_[length]]};
    }
  }
  return {};
}

bool parseHuffmanTables(std::span<const uint8_t> payload, HuffmanSlots& slots) {
  constexpr size_t kHead = 1 + kMaxCodeLength;
  while (!payload.empty()) {
    if (payload.size() < kHead || payload[0] > 31) return false;
    const std::span<const uint8_t, kMaxCodeLength> counts = payload.subspan<1, kMaxCodeLength>();
    size_t total = 0;
    for (uint8_t n : counts) total += n;
    if (payload.size() < kHead + total) return false;
    if (!slots[payload[0]].build(counts, payload.subspan(kHead, total))) return false;
    payload = payload.subspan(kHead + total);
  }
  return true;
}

}  // namespace murl::jpeg
