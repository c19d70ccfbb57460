#include "carriers/aiff_au/audio_format.h"

#include <cstring>

#include "platform/ascii_case.h"
#include "platform/byte_order.h"

namespace murl::audio {
namespace {

constexpr uint32_t kMaxChunkField = 0x80000000;  // form and chunk sizes stay below 2^31
constexpr uint32_t kAuHeaderSize = 24;
constexpr uint32_t kAuToTheEnd = 0xFFFFFFFF;

bool sameLetters(const uint8_t* bytes, const char* word) {
  return equalsIgnoringAsciiCase(std::string_view(reinterpret_cast<const char*>(bytes), 4), word);
}

// The walk's knowledge of COMM.
struct Common {
  bool seen = false;
  uint64_t sampleBytes = 0;  // channels x frames x 2
};

// Exactly n bytes at a file offset.
bool readAt(platform::File& src, uint64_t at, uint8_t* out, size_t n) {
  return src.seek(at) && src.readExact(out, n);
}

bool parseCommon(platform::File& src, uint64_t bodyAt, uint32_t size, Common& common) {
  uint8_t body[18];
  if (common.seen || size != sizeof body || !readAt(src, bodyAt, body, sizeof body)) return false;
  const uint16_t channels = loadBe16(body);
  const uint32_t frames = loadBe32(body + 2);
  common.sampleBytes = uint64_t{channels} * frames * 2;
  common.seen = true;
  return channels != 0 && loadBe16(body + 6) == 16 && common.sampleBytes <= 0xFFFFFFFFu;
}

}  // namespace

bool parseAudio(platform::File& src, AudioLayout& layout) {
  uint8_t magic[4];
  if (!readAt(src, 0, magic, sizeof magic)) return false;
  if (std::memcmp(magic, "FORM", 4) == 0) return parseAiff(src, layout);
  if (std::memcmp(magic, ".snd", 4) == 0) return parseAu(src, layout);
  return false;
}

bool parseAiff(platform::File& src, AudioLayout& layout) {
  const uint64_t fileSize = src.size();
  uint8_t head[12];
  if (!readAt(src, 0, head, sizeof head) || std::memcmp(head, "FORM", 4) != 0) return false;
  const uint32_t formSize = loadBe32(head + 4);
  const uint64_t end = uint64_t{formSize} + 8;
  if (formSize >= kMaxChunkField || end > fileSize || end < 12 || !sameLetters(head + 8, "AIFF")) {
    return false;
  }
  Common common;
  bool haveSound = false;
  for (uint64_t at = 12; at != end;) {
    uint8_t chunk[8];
    if (end - at < 8 || !readAt(src, at, chunk, sizeof chunk)) return false;
    const uint32_t size = loadBe32(chunk + 4);
    const uint64_t bodyAt = at + 8;
    if (size >= kMaxChunkField || size > end - bodyAt) return false;
    if (std::memcmp(chunk, "COMM", 4) == 0) {
      if (haveSound || !parseCommon(src, bodyAt, size, common)) return false;
    } else if (std::memcmp(chunk, "SSND", 4) == 0) {
      // The frame count must not be 0 and the size must hold exactly the samples.
      if (haveSound || !common.seen || common.sampleBytes == 0 || size < 8 ||
          size - 8 != common.sampleBytes) {
        return false;
      }
      layout.samplesAt = bodyAt + 8;  // after the offset and block size fields
      layout.sampleCount = common.sampleBytes / 2;
      haveSound = true;
    }
    at = bodyAt + size;
  }
  layout.type = CarrierType::kAiff;
  return haveSound;
}

bool parseAu(platform::File& src, AudioLayout& layout) {
  const uint64_t fileSize = src.size();
  uint8_t head[kAuHeaderSize];
  if (fileSize < kAuHeaderSize || !readAt(src, 0, head, sizeof head) ||
      std::memcmp(head, ".snd", 4) != 0) {
    return false;
  }
  const uint32_t dataOffset = loadBe32(head + 4);
  const uint32_t dataSize = loadBe32(head + 8);
  if (dataOffset < kAuHeaderSize || dataOffset >= fileSize || dataSize == 0 ||
      loadBe32(head + 12) != 3) {
    return false;
  }
  const uint64_t bytes = dataSize == kAuToTheEnd ? fileSize - dataOffset : uint64_t{dataSize};
  // Carrier bits are 32-bit, so samples beyond 2^31 could never be counted.
  if (bytes % 2 != 0 || bytes > fileSize - dataOffset || bytes >= kMaxChunkField * 2ull) {
    return false;
  }
  layout.type = CarrierType::kAu;
  layout.samplesAt = dataOffset;
  layout.sampleCount = bytes / 2;
  return true;
}

}  // namespace murl::audio
