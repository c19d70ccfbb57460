#pragma once
// Baseline JPEG files built from chosen coefficients, for the JPEG carrier tests: the tables of
// the standard's example (luminance DC and AC), byte stuffing, 1-bit padding before markers,
// restart markers, one scan for all components or one per component.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace murl::test {

struct JpegShape {
  uint16_t width = 32;
  uint16_t height = 16;
  std::vector<std::pair<uint8_t, uint8_t>> factors{{1, 1}};  // h, v per component
  uint16_t restartInterval = 0;
  bool scanPerComponent = false;
  std::vector<std::vector<uint8_t>> extraSegments;  // whole segments, placed after SOI
  std::vector<uint8_t> afterEoi;
};

// The coefficient at zigzag position k (0: the DC difference) of the `block`-th block of the
// file, counted over all scans. AC values must lie within +-1023, DC within +-2047.
using CoefficientOf = std::function<int(uint64_t block, uint32_t k)>;

std::vector<uint8_t> buildJpeg(const JpegShape& shape, const CoefficientOf& coefficient);

// Blocks a file of that shape holds: each scan's MCUs times its blocks per MCU.
uint64_t jpegBlockCount(const JpegShape& shape);

// A segment: marker, big-endian length, payload.
std::vector<uint8_t> jpegSegment(uint16_t marker, const std::vector<uint8_t>& payload);

}  // namespace murl::test
