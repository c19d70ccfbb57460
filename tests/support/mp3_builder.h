#pragma once
// Builds MPEG audio files frame by frame for tests: headers, side information with chosen
// main_data_begin and part2_3_length fields, random bodies. Frame lengths are given by
// the test (standard values below), so the builder holds no bitrate table of its own.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace murl::test {

struct Mp3FrameLayout {
  uint8_t versionBits = 3;  // byte 1 bits 4-3: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint8_t bitrateIndex = 14;
  uint8_t rateIndex = 1;
  bool padding = false;
  bool crc = false;
  bool mono = false;
  uint32_t length = 960;  // the frame's length in bytes, as the standard gives it
  uint32_t mainDataBegin = 0;
  std::vector<uint32_t> partLengths;  // part2_3_length per granule and channel; missing ones 0
};

// Standard frames: MPEG-1 320 kbit/s at 48000 Hz (960 bytes), MPEG-1 128 kbit/s at 44100 Hz
// (417 bytes, 418 padded), MPEG-2 8 kbit/s at 24000 Hz (24 bytes), MPEG-2.5 64 kbit/s at
// 8000 Hz (576 bytes).
Mp3FrameLayout mpeg1At320k();
Mp3FrameLayout mpeg1At128k(bool padding);
Mp3FrameLayout mpeg2At8k();
Mp3FrameLayout mpeg25At64k();

struct Mp3Shape {
  std::vector<uint8_t> lead;  // before the first frame (no 0xFF in it)
  std::vector<Mp3FrameLayout> frames;
  std::vector<uint8_t> trail;  // after the last frame
};

struct Mp3File {
  std::vector<uint8_t> bytes;
  std::vector<size_t> frameStarts;
};

Mp3File buildMp3(const Mp3Shape& shape);

// Six bytes that make the lead-in byte P = 0 and S = ((lead[0] AND 0x3C) + level) / 4.
std::vector<uint8_t> mp3LeadPointingAtItself(uint8_t leadInByte);

// An ID3v2.3 tag of `body` (zero-padded to `size` bytes) with the syncsafe size; `footer` sets
// flag 0x10 and appends a 10-byte footer.
std::vector<uint8_t> id3v2Tag(const std::vector<uint8_t>& body, uint32_t size, bool footer);

}  // namespace murl::test
