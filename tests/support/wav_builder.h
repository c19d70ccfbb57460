#pragma once
// Builds RIFF "WAVE" files byte by byte for tests, well-formed or with a planted defect.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace murl::test {

struct WavShape {
  uint16_t formatTag = 1;  // 1 = PCM
  uint16_t channels = 1;
  uint16_t blockAlign = 0;  // 0: two bytes per channel
  uint16_t bitsPerSample = 16;
  uint32_t fmtSize = 16;  // body bytes past the first 16 are zeros
  std::vector<int16_t> samples;
  std::vector<uint8_t> dataTail;  // bytes of the data body after the samples (an odd byte)
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksBeforeData;  // after "fmt "
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksAfterData;
};

std::vector<uint8_t> buildWav(const WavShape& shape);

// `count` samples of which exactly `loud` (spread evenly, alternately positive and negative) have
// a magnitude of at least `threshold` (the negative ones -threshold - 1 or below); the others lie
// within the quiet range. Bit 0 of every sample is random.
std::vector<int16_t> soundSamples(size_t count, size_t loud, int threshold, uint32_t seed);

// Adds a "pad " chunk before the data so the file size is a multiple of 16 (lead-in = level).
void padToMultipleOf16(WavShape& shape);

// Writes to `path` a WAV carrier of about `bits` carrier bits at level 3, its sound drawn from
// `seed`; returns `path`.
std::string writeWavCarrier(const std::string& path, uint32_t bits, uint32_t seed);

}  // namespace murl::test
