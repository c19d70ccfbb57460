#include "carriers/mp3/mp3_frame.h"

namespace murl::mp3 {
namespace {

constexpr uint32_t kMpeg1Bitrates[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                         112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t kMpeg2Bitrates[15] = {0,  8,  16, 24,  32,  40,  48, 56,
                                         64, 80, 96, 112, 128, 144, 160};
constexpr uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

// Most significant bit first, over a buffer the caller has sized for every field read.
class BitReader {
 public:
  explicit BitReader(const uint8_t* bytes) : bytes_(bytes) {}
  uint32_t take(uint32_t count) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; ++i, ++at_) {
      value = value << 1 | ((bytes_[at_ >> 3] >> (7 - (at_ & 7))) & 1);
    }
    return value;
  }
  void skip(uint32_t count) { at_ += count; }

 private:
  const uint8_t* bytes_;
  uint32_t at_ = 0;
};

uint32_t sideInfoBytes(bool mpeg1, bool mono) {
  if (mpeg1) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

}  // namespace

bool parseHeader(const uint8_t* bytes, FrameHeader& header) {
  if (!isSync(bytes)) return false;
  const uint32_t version = (bytes[1] >> 3) & 3;
  const uint32_t bitrateIndex = bytes[2] >> 4;
  const uint32_t rateIndex = (bytes[2] >> 2) & 3;
  if (version == 1 || (bytes[1] & 0x06) != 0x02) return false;
  if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  header.version = static_cast<MpegVersion>(version);
  header.crc = (bytes[1] & 1) == 0;
  header.mono = (bytes[3] >> 6) == 3;
  const bool mpeg1 = header.mpeg1();
  header.bitrateKbps = (mpeg1 ? kMpeg1Bitrates : kMpeg2Bitrates)[bitrateIndex];
  // MPEG-2 halves the MPEG-1 rates and MPEG-2.5 halves them again.
  header.sampleRate = kMpeg1Rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const uint32_t samples = mpeg1 ? 1152 : 576;
  const uint32_t padding = (bytes[2] >> 1) & 1;
  header.length = header.bitrateKbps * samples * 1000 / header.sampleRate / 8 + padding;
  header.prefix = kHeaderBytes + (header.crc ? 2 : 0) + sideInfoBytes(mpeg1, header.mono);
  return true;
}

SideInfo parseSideInfo(const uint8_t* prefix, const FrameHeader& header) {
  const bool mpeg1 = header.mpeg1();
  const uint32_t channels = header.mono ? 1 : 2;
  BitReader bits(prefix + kHeaderBytes + (header.crc ? 2 : 0));
  SideInfo side;
  side.mainDataBegin = bits.take(mpeg1 ? 9 : 8);
  // Private bits, and in MPEG-1 the scale factor selection of each channel.
  bits.skip(mpeg1 ? (header.mono ? 9 : 11) : channels);
  const uint32_t granules = mpeg1 ? 2 : 1;
  for (uint32_t g = 0; g < granules * channels; ++g) {
    side.mainBits += bits.take(12);
    bits.skip(mpeg1 ? 47 : 51);
  }
  return side;
}

}  // namespace murl::mp3
