#pragma once
// A second reading of baseline JPEG scans for the JPEG carrier tests, written the slow and plain
// way: codes matched one bit at a time, stuffed zeros skipped as each byte is read. It checks
// little beyond what it needs, so feed it files whose headers are sound.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace murl::test {

// A carrier unit: the bit at `bit` of entropy-coded segment `segment`, with stuffing removed.
struct ReferenceUnit {
  size_t segment = 0;
  uint64_t bit = 0;
  uint8_t value = 0;
};

struct ReferenceWalk {
  bool ok = false;
  uint16_t width = 0;
  uint16_t height = 0;
  std::vector<uint8_t> outside;                // every byte not inside a segment, in file order
  std::vector<std::vector<uint8_t>> segments;  // entropy-coded data up to each marker, unstuffed
  std::vector<ReferenceUnit> units;            // the AC coefficients of size above level + 1
};

ReferenceWalk referenceWalk(const std::vector<uint8_t>& file, uint8_t level);

}  // namespace murl::test
