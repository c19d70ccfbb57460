#pragma once
// Huffman tables of baseline JPEG scans: the canonical codes a DHT segment defines, decoded
// through a lookup of the next 9 bits with the per-length code limits behind it for longer codes.
// Every bit string decodes to the symbol a code-by-code match of lengths 1 to 16 finds, and fails
// exactly where that match finds no code.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace murl::jpeg {

constexpr uint32_t kMaxCodeLength = 16;

struct HuffmanCode {
  uint8_t length = 0;  // 0: no code of up to 16 bits matches
  uint8_t symbol = 0;
};

class HuffmanTable {
 public:
  // Assigns the canonical codes: for each length in turn, the next `counts[length - 1]` codes.
  // False when a length asks for more codes than are still free at it.
  bool build(std::span<const uint8_t, kMaxCodeLength> counts, std::span<const uint8_t> symbols);
  bool defined() const { return defined_; }

  // `next` holds the next 16 bits of the stream, the first in bit 15.
  HuffmanCode decode(uint32_t next) const {
    const uint16_t entry = lookup_[next >> (kMaxCodeLength - kLookupBits)];
    if (entry != 0) return {static_cast<uint8_t>(entry >> 8), static_cast<uint8_t>(entry)};
    return decodeLong(next);
  }

 private:
  static constexpr uint32_t kLookupBits = 9;

  HuffmanCode decodeLong(uint32_t next) const;

  // Per prefix of kLookupBits bits: length << 8 | symbol of the code it begins with, or 0 when
  // that code is longer.
  std::array<uint16_t, 1u << kLookupBits> lookup_{};
  // Per length: the largest code (-1 when none) and what turns a code into a symbol index.
  std::array<int32_t, kMaxCodeLength + 1> maxCode_{};
  std::array<int32_t, kMaxCodeLength + 1> symbolOffset_{};
  std::vector<uint8_t> symbols_;
  bool defined_ = false;
};

// The 32 table slots of a file, indexed by a DHT table's class-and-identifier byte: DC tables
// 0 to 15, then AC tables 16 to 31.
using HuffmanSlots = std::array<HuffmanTable, 32>;

// Builds every table of a DHT segment's payload into its slot; a table defined again replaces
// the earlier one. False when a table is cut short, names a slot past 31 or is overfull.
bool parseHuffmanTables(std::span<const uint8_t> payload, HuffmanSlots& slots);

}  // namespace murl::jpeg
