#include "support/wav_builder.h"

#include <random>

#include "platform/byte_order.h"
#include "support/temp_dir.h"

namespace murl::test {
namespace {

void putChunk(std::vector<uint8_t>& out, const std::string& id, const std::vector<uint8_t>& body) {
  out.insert(out.end(), id.begin(), id.end());
  appendLe32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> buildWav(const WavShape& shape) {
  std::vector<uint8_t> fmt;
  const uint16_t align =
      shape.blockAlign != 0 ? shape.blockAlign : static_cast<uint16_t>(2 * shape.channels);
  appendLe16(fmt, shape.formatTag);
  appendLe16(fmt, shape.channels);
  appendLe32(fmt, 44100);
  appendLe32(fmt, 44100u * align);
  appendLe16(fmt, align);
  appendLe16(fmt, shape.bitsPerSample);
  fmt.resize(shape.fmtSize, 0);
  std::vector<uint8_t> data;
  for (int16_t s : shape.samples) appendLe16(data, static_cast<uint16_t>(s));
  data.insert(data.end(), shape.dataTail.begin(), shape.dataTail.end());
  std::vector<uint8_t> out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  putChunk(out, "fmt ", fmt);
  for (const auto& chunk : shape.chunksBeforeData) putChunk(out, chunk.first, chunk.second);
  putChunk(out, "data", data);
  for (const auto& chunk : shape.chunksAfterData) putChunk(out, chunk.first, chunk.second);
  storeLe32(&out[4], static_cast<uint32_t>(out.size() - 8));
  return out;
}

std::vector<int16_t> soundSamples(size_t count, size_t loud, int threshold, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<int16_t> samples(count);
  size_t placed = 0;
  for (size_t i = 0; i < count; ++i) {
    // Evenly spread: sample i is loud when it moves the loud quota to the next whole number.
    bool isLoud = (i + 1) * loud / count > placed;
    int magnitude = isLoud ? threshold + static_cast<int>(random() % (32767 - threshold))
                           : static_cast<int>(random() % threshold);
    int value = (i % 2 == 0) ? magnitude : -magnitude - 1;
    value = (value & ~1) | static_cast<int>(random() & 1);
    // Clearing bit 0 cannot take a value across the threshold, which is even.
    samples[i] = static_cast<int16_t>(value);
    if (isLoud) ++placed;
  }
  return samples;
}

void padToMultipleOf16(WavShape& shape) {
  const size_t rest = buildWav(shape).size() % 16;
  // A chunk of its own needs 8 bytes of head; its body makes up the rest.
  if (rest != 0)
    shape.chunksBeforeData.emplace_back("pad ", std::vector<uint8_t>((24 - rest) % 16));
}

std::string writeWavCarrier(const std::string& path, uint32_t bits, uint32_t seed) {
  WavShape shape;
  shape.samples = soundSamples(bits + 1000, bits + 560, 256, seed);
  writeAll(path, buildWav(shape));
  return path;
}

}  // namespace murl::test
