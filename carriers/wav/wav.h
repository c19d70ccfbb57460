#pragma once
// 16-bit PCM sound in RIFF "WAVE" form: each sample is a unit and its bit 0 the unit bit; only
// samples loud enough for the WAV bits selection level qualify.
#include <cstdint>

#include "carriers/contract.h"

namespace murl {

const CarrierHandler& wavHandler();

// The region forms, which the module handler calls for a wave resource (offset and size of its
// record, target rewritten in place) and the file handler for a file of its own.
bool wavCount(platform::File& src, const CarrierRegion& region, IdentificationRecord& record,
              Workspace& workspace);
bool wavHide(platform::File& src, platform::File& dst, const CarrierRegion& region,
             const StreamShare& share, const HideJob& job, Workspace& workspace,
             double& percentage);
bool wavExtract(platform::File& src, const CarrierRegion& region, uint32_t carrierBits,
                ExtractionSink& sink, Workspace& workspace);

// Whether a sample qualifies at a level: s >= 2^t or s <= -2^t - 1 with t = 2 (level + 1).
// Bit 0 never takes part, so writing unit bits cannot change which samples qualify.
inline bool wavSampleQualifies(int16_t sample, uint8_t level) {
  int magnitude = sample ^ (sample >> 15);  // s for s >= 0, -s - 1 below
  return (magnitude >> (2 * (level + 1))) != 0;
}

// The lead-in of the sound formats: (size AND 15) + level units.
inline uint32_t soundLeadIn(uint64_t size, uint8_t level) {
  return static_cast<uint32_t>(size & 15) + level;
}

}  // namespace murl
