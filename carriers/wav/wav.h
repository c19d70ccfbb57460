#pragma once
// 16-bit PCM sound in RIFF "WAVE" form: each sample is a unit and its bit 0 the unit bit; only
// samples loud enough for the WAV bits selection level qualify. The format also serves wave
// resources inside modules (the module format hands it their region).
#include <cstdint>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/common/in_place.h"
#include "carriers/common/sound_samples.h"

namespace murl {

class WavFormat {
 public:
  static constexpr CarrierType kType = CarrierType::kWav;

  explicit WavFormat(const OperationContext& context) : context_(context) {}

  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return kType; }
  uint32_t leadIn() const { return soundLeadIn(region_.size, level_); }
  uint32_t spacing() const { return 1; }
  uint64_t allUnits() const { return samples_.count; }

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst) {
    const SampleGrouper grouper(level_);
    return walkInPlace(context_, *src_, dst, region_, samples_,
                       [&](uint8_t* bytes, uint64_t n) { return pass.block(grouper, bytes, n); });
  }

 private:
  const OperationContext& context_;
  platform::File* src_ = nullptr;
  CarrierRegion region_;
  RecordRun samples_;  // M samples of 2 bytes; data bytes beyond 2M are not samples
  uint8_t level_ = 0;
};

const CarrierHandler& wavHandler();

const FormatFacts& wavFacts();

}  // namespace murl
