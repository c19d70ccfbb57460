#include "support/mp3_builder.h"

#include <random>

namespace murl::test {
namespace {

class BitWriter {
 public:
  explicit BitWriter(uint8_t* out) : out_(out) {}
  void put(uint32_t value, uint32_t count) {
    for (uint32_t i = count; i-- > 0; ++at_) {
      if ((value >> i) & 1) out_[at_ >> 3] |= static_cast<uint8_t>(0x80 >> (at_ & 7));
    }
  }

 private:
  uint8_t* out_;
  uint32_t at_ = 0;
};

uint32_t sideInfoSize(const Mp3FrameLayout& f) {
  const bool mpeg1 = f.versionBits == 3;
  if (mpeg1) return f.mono ? 17 : 32;
  return f.mono ? 9 : 17;
}

void writeSideInfo(const Mp3FrameLayout& f, uint8_t* side) {
  const bool mpeg1 = f.versionBits == 3;
  const uint32_t channels = f.mono ? 1 : 2;
  BitWriter bits(side);
  bits.put(f.mainDataBegin, mpeg1 ? 9 : 8);
  bits.put(0, mpeg1 ? (f.mono ? 9 : 11) : channels);
  const uint32_t fields = (mpeg1 ? 2 : 1) * channels;
  for (uint32_t i = 0; i < fields; ++i) {
    bits.put(i < f.partLengths.size() ? f.partLengths[i] : 0, 12);
    bits.put(0, mpeg1 ? 47 : 51);
  }
}

Mp3FrameLayout frameSpec(uint8_t versionBits, uint8_t bitrateIndex, uint8_t rateIndex, bool padding,
                         uint32_t length) {
  Mp3FrameLayout f;
  f.versionBits = versionBits;
  f.bitrateIndex = bitrateIndex;
  f.rateIndex = rateIndex;
  f.padding = padding;
  f.length = length;
  return f;
}

}  // namespace

Mp3FrameLayout mpeg1At320k() { return frameSpec(3, 14, 1, false, 960); }
Mp3FrameLayout mpeg1At128k(bool padding) {
  return frameSpec(3, 9, 0, padding, padding ? 418 : 417);
}
Mp3FrameLayout mpeg2At8k() { return frameSpec(2, 1, 1, false, 24); }
Mp3FrameLayout mpeg25At64k() { return frameSpec(0, 8, 2, false, 576); }

Mp3File buildMp3(const Mp3Shape& shape) {
  std::mt19937 random(1);
  Mp3File file;
  file.bytes = shape.lead;
  for (const Mp3FrameLayout& f : shape.frames) {
    const size_t start = file.bytes.size();
    const uint32_t prefix = 4 + (f.crc ? 2 : 0) + sideInfoSize(f);
    file.frameStarts.push_back(start);
    file.bytes.resize(start + f.length);
    uint8_t* frame = file.bytes.data() + start;
    frame[0] = 0xFF;
    frame[1] = static_cast<uint8_t>(0xE0 | f.versionBits << 3 | 1 << 1 | !f.crc);  // Layer III
    frame[2] = static_cast<uint8_t>(f.bitrateIndex << 4 | f.rateIndex << 2 | f.padding << 1);
    frame[3] = f.mono ? 0xC0 : 0x00;
    if (f.crc) frame[4] = frame[5] = 0x5A;
    writeSideInfo(f, frame + prefix - sideInfoSize(f));
    for (uint32_t i = prefix; i < f.length; ++i) {
      frame[i] = static_cast<uint8_t>(random());
    }
  }
  file.bytes.insert(file.bytes.end(), shape.trail.begin(), shape.trail.end());
  return file;
}

std::vector<uint8_t> mp3LeadPointingAtItself(uint8_t leadInByte) {
  return {leadInByte, 0, 0, 0, 0, 0};
}

std::vector<uint8_t> id3v2Tag(const std::vector<uint8_t>& body, uint32_t size, bool footer) {
  std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, static_cast<uint8_t>(footer ? 0x10 : 0)};
  for (int shift = 21; shift >= 0; shift -= 7) tag.push_back((size >> shift) & 0x7F);
  std::vector<uint8_t> padded = body;
  padded.resize(size, 0);
  tag.insert(tag.end(), padded.begin(), padded.end());
  if (footer) {
    tag.insert(tag.end(), {'3', 'D', 'I', 3, 0, 0x10});
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back((size >> shift) & 0x7F);
  }
  return tag;
}

}  // namespace murl::test
