#pragma once
// One MPEG audio Layer III frame as the carrier sees it: the 4-byte header, the optional CRC and
// the side information, of which only main_data_begin and the part2_3_length fields matter. No
// audio is decoded.
#include <cstdint>

namespace murl::mp3 {

constexpr uint32_t kHeaderBytes = 4;
// The longest prefix: header, CRC and two-channel MPEG-1 side information.
constexpr uint32_t kMaxPrefixBytes = 4 + 2 + 32;

enum class MpegVersion : uint8_t { kMpeg25 = 0, kMpeg2 = 2, kMpeg1 = 3 };

struct FrameHeader {
  MpegVersion version = MpegVersion::kMpeg1;
  bool crc = false;  // a 16-bit CRC follows the header
  bool mono = false;
  uint32_t bitrateKbps = 0;
  uint32_t sampleRate = 0;
  uint32_t length = 0;  // bytes, padding included
  uint32_t prefix = 0;  // header, CRC and side information

  bool mpeg1() const { return version == MpegVersion::kMpeg1; }
};

// 0xFF followed by a byte with its top three bits set.
inline bool isSync(const uint8_t* bytes) { return bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0; }

// Decodes and checks the 4 header bytes: a sync, MPEG-1, -2 or -2.5, Layer III, a bitrate index
// of 1 to 14 (free format refused) and a sampling rate index of 0 to 2. False when any fails.
bool parseHeader(const uint8_t* bytes, FrameHeader& header);

struct SideInfo {
  uint32_t mainDataBegin = 0;  // bytes back from the frame's start, over main data only
  uint32_t mainBits = 0;       // B: the part2_3_length fields added up
};

// Reads the side information that follows the header (and CRC) in `prefix`, which holds the
// frame's header.prefix bytes.
SideInfo parseSideInfo(const uint8_t* prefix, const FrameHeader& header);

// E: the byte of the last main data bit for B > 8; D for B = 0 and D + 1 for B of 1 to 8.
inline int64_t mainDataEnd(int64_t mainStart, uint32_t mainBits) {
  return mainStart + mainBits / 8 + (mainBits % 8 != 0 ? 1 : 0) - (mainBits > 8 ? 1 : 0);
}

}  // namespace murl::mp3
