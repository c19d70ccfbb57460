#pragma once
// Small AIFF and Next/Sun AU files for the sound carrier tests, with switches that plant the
// defects the parsers must refuse.
#include <cstdint>
#include <string>
#include <vector>

namespace murl::test {

struct AiffShape {
  uint16_t channels = 1;
  uint16_t sampleSize = 16;
  int32_t ssndSizeDelta = 0;       // added to the SSND size field
  bool extraChunkFirst = true;     // a "NAME" chunk before COMM
  bool oddChunkWithPad = false;    // a 3-byte "ANNO" chunk plus a pad byte before COMM
  bool soundBeforeCommon = false;  // SSND written before COMM
  std::string formType = "AIFF";
  uint32_t trailingBytes = 0;  // bytes after the form
};

// samples are interleaved frames: samples.size() must be a multiple of channels.
std::vector<uint8_t> buildAiff(const std::vector<int16_t>& samples, const AiffShape& shape = {});

struct AuShape {
  uint32_t encoding = 3;
  std::string annotation = "made for a test";  // padded with zeros to a multiple of 8
  bool sizeToTheEnd = false;                   // data size 0xFFFFFFFF
  int32_t dataSizeDelta = 0;
  uint32_t trailingBytes = 0;  // bytes after the sample data
};

std::vector<uint8_t> buildAu(const std::vector<int16_t>& samples, const AuShape& shape = {});

// Samples that swing loud and quiet: about three quarters qualify at the default level.
std::vector<int16_t> swingingSamples(size_t count);

}  // namespace murl::test
