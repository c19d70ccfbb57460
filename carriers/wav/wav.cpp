#include "carriers/wav/wav.h"

#include <cstring>

#include "platform/byte_order.h"

namespace murl {
namespace {

constexpr uint32_t kMaxRiffField = 0x80000000;

// PCM (tag 1), at least one channel, two bytes per sample; the bits-per-sample field is not read.
bool checkFormat(platform::File& src, uint32_t bodySize, uint32_t& channels, uint16_t& blockAlign) {
  uint8_t body[14];
  if (bodySize < sizeof body || !src.readExact(body, sizeof body)) return false;
  channels = loadLe16(body + 2);
  blockAlign = loadLe16(body + 12);
  return loadLe16(body) == 1 && channels != 0 && blockAlign / channels == 2;
}

// Checks the RIFF header and walks the chunks of the region: exactly one "fmt " (16-bit PCM)
// before exactly one "data", every body within the RIFF size, the chunks ending exactly there.
bool parseWav(platform::File& src, const CarrierRegion& region, RecordRun& samples) {
  uint8_t head[12];
  if (!src.seek(region.offset) || !src.readExact(head, sizeof head)) return false;
  const uint32_t riffSize = loadLe32(head + 4);
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
      riffSize >= kMaxRiffField || uint64_t{riffSize} + 8 > region.size || riffSize + 8 < 12) {
    return false;
  }
  const uint64_t end = uint64_t{riffSize} + 8;  // relative to the region
  uint64_t at = 12;
  uint16_t blockAlign = 0;
  uint32_t channels = 0;
  bool haveFormat = false;
  bool haveData = false;
  while (at != end) {
    uint8_t chunk[8];
    if (at + 8 > end || !src.seek(region.offset + at) || !src.readExact(chunk, sizeof chunk)) {
      return false;
    }
    at += 8;
    const uint32_t bodySize = loadLe32(chunk + 4);
    if (bodySize >= kMaxRiffField || at + bodySize > end) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (haveFormat || haveData || !checkFormat(src, bodySize, channels, blockAlign)) {
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (haveData || !haveFormat || bodySize == 0) return false;
      samples = {region.offset + at, uint64_t{bodySize / blockAlign} * channels, 2};
      haveData = true;
    }
    at += bodySize;
  }
  return haveData;
}

}  // namespace

bool WavFormat::open(platform::File& src, const CarrierRegion& region, CarrierType) {
  src_ = &src;
  region_ = region;
  level_ = context_.level(LevelFormat::kWav);
  return parseWav(src, region, samples_);
}

const CarrierHandler& wavHandler() {
  static const FormatHandler<WavFormat> handler;
  return handler;
}

namespace {
constexpr TypeFacts kTypes[] = {{CarrierType::kWav, "WAV", LevelFormat::kWav}};
constexpr const char* kExtensions[] = {"wav", "wave"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kWav, "wav", "WAV"}};
constexpr DialogFilter kFilters[] = {
    {"WAV Audio (wav,wave)", "File Audio WAV (wav,wave)", "*.wav;*.wave"}};
}  // namespace

const FormatFacts& wavFacts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,       kLevels,   kFilters,
                                     {},     MediaKind::kAudio, wavHandler};
  return facts;
}

}  // namespace murl
