#pragma once
// Where the 16-bit big-endian samples of an AIFF or Next/Sun AU file lie.
#include <cstdint>

#include "carriers/common/contract.h"

namespace murl::audio {

struct AudioLayout {
  CarrierType type = CarrierType::kAiff;  // kAiff or kAu
  uint64_t samplesAt = 0;                 // file offset of the first sample
  uint64_t sampleCount = 0;               // every sample is 2 bytes; fewer than 2^31
};

// Tells the two formats apart by the first four bytes ("FORM" or ".snd") and checks the file.
// False when it is not a carrier of either; no message.
bool parseAudio(platform::File& src, AudioLayout& layout);

// AIFF: "FORM", a form size within the file, type "AIFF" in any letter case, then chunks ending
// exactly at the form's end (no pad bytes): one COMM of 16-bit samples before one SSND whose
// size is 8 + the sample bytes exactly.
bool parseAiff(platform::File& src, AudioLayout& layout);

// AU: ".snd", data offset at least 24 and within the file, encoding 3 (16-bit linear), an even
// data size within the file, or 0xFFFFFFFF for "up to the end of the file".
bool parseAu(platform::File& src, AudioLayout& layout);

}  // namespace murl::audio
