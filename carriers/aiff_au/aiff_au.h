#pragma once
// 16-bit big-endian sound in AIFF (type 0) and Next/Sun AU (type 1) files: each sample is a unit,
// its unit bit the lowest bit of its second byte; samples qualify by the same loudness test as
// WAV samples, at the level of the file's own format. One handler serves both types: every
// operation tells them apart by the file's first four bytes.
#include "carriers/aiff_au/audio_format.h"
#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/in_place.h"
#include "carriers/common/sound_samples.h"

namespace murl {

class AiffAuFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kAiff;

  explicit AiffAuFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return layout_.type; }
  uint32_t leadIn() const { return soundLeadIn(region_.size, level_); }
  uint32_t spacing() const { return 1; }
  uint64_t allUnits() const { return layout_.sampleCount; }

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst) {
    const BigEndianSampleGrouper grouper(level_);
    return walkInPlace(context_, *src_, dst, region_, {layout_.samplesAt, layout_.sampleCount, 2},
                       [&](uint8_t* bytes, uint64_t n) { return pass.block(grouper, bytes, n); });
  }

 private:
  const OperationContext& context_;
  platform::File* src_ = nullptr;
  CarrierRegion region_;
  audio::AudioLayout layout_;
  uint8_t level_ = 0;
};

const CarrierHandler& aiffAuHandler();

const FormatFacts& aiffAuFacts();

}  // namespace murl
