// MP3 hide and extract throughput on a 24 MB carrier of 128 kbit/s frames, beside a plain copy of
// the same file.
#include <random>
#include <vector>

#include "bench/carrier_bench.h"

namespace murl {
namespace {

// Most significant bit first into a zeroed buffer.
void putBits(uint8_t* out, uint32_t& at, uint32_t value, uint32_t count) {
  for (uint32_t i = count; i-- > 0; ++at) {
    if ((value >> i) & 1) out[at >> 3] |= static_cast<uint8_t>(0x80 >> (at & 7));
  }
}

// MPEG-1 frames of 417 bytes at 128 kbit/s and 44100 Hz, stereo, whose main data begins right
// after the 36-byte prefix and leaves 0 to 16 bytes of each frame free (music from an encoder
// leaves fewer still; silence far more).
std::vector<uint8_t> makeCarrier(size_t frames, std::mt19937& random) {
  std::vector<uint8_t> bytes = {0x3C, 0, 0, 0, 0, 0};
  std::uniform_int_distribution<uint32_t> mainBytes(417 - 36 - 16, 417 - 36);
  for (size_t f = 0; f < frames; ++f) {
    const size_t start = bytes.size();
    bytes.resize(start + 417);
    uint8_t* frame = bytes.data() + start;
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    uint32_t at = 0;
    putBits(frame + 4, at, 0, 9 + 11);
    const uint32_t bits = mainBytes(random) * 8;
    for (int part = 0; part < 4; ++part) {
      putBits(frame + 4, at, bits / 4, 12);
      at += 47;
    }
    for (size_t i = 36; i < 417; ++i) frame[i] = static_cast<uint8_t>(random());
  }
  return bytes;
}

bench::CarrierBench& setup() {
  static std::mt19937 random(1);
  static bench::CarrierBench instance("carrier.mp3", makeCarrier(60000, random), CarrierType::kMp3,
                                      [](size_t) { return static_cast<uint8_t>(random()); });
  return instance;
}

void BM_PlainCopy(benchmark::State& state) { setup().copy(state); }
void BM_Mp3Hide(benchmark::State& state) { setup().hide(state); }
void BM_Mp3Extract(benchmark::State& state) { setup().extract(state); }

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mp3Hide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mp3Extract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murl
