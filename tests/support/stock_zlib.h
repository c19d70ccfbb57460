#pragma once
// Stock zlib as the independent reader: what any other program would get from a stream.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace murl::test {

// Inflates a whole zlib stream expected to hold `expected` bytes (room for one more, so that a
// longer result shows).
inline std::vector<uint8_t> stockInflate(const std::vector<uint8_t>& stream, size_t expected) {
  std::vector<uint8_t> out(expected + 1);
  uLongf n = out.size();
  EXPECT_EQ(uncompress(out.data(), &n, stream.data(), stream.size()), Z_OK);
  out.resize(n);
  return out;
}

}  // namespace murl::test
