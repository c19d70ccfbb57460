#pragma once
// MPEG audio Layer III files. The units are the bits of each frame's free stretch, the unused
// bits between its main data and the next frame's (reservoir.h); the unit bit is the bit itself.
// Every unit is a candidate: after the lead-in, every (level + 1)-th is used. The lead-in is read
// from a byte of the file whose place comes from the file too, and no stretch holds that byte.
// Hide and mark write a copy of the file in which only stretch bits differ: no coded audio bit
// and no tag changes, and the target has the source's length.
#include <cstdint>
#include <optional>

#include "carriers/common/format_facts.h"
#include "carriers/common/format_handler.h"
#include "carriers/mp3/frame_walk.h"

namespace murl {

class Mp3Format {
 public:
  static constexpr CarrierType kType = CarrierType::kMp3;

  explicit Mp3Format(const OperationContext& context) : context_(context) {}

  // Finds the lead-in and the first frame. A file that begins with an ID3v2 tag in which a false
  // sync leads a walk astray is walked again from the tag's end.
  bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
  CarrierType type() const { return kType; }
  uint32_t leadIn() const { return leadIn_; }
  uint32_t spacing() const { return level_ + 1u; }
  // Every bit of the file, and one byte more: the percentage is the share of the file's bits
  // changed.
  uint64_t allUnits() const { return (size_ + 1) * 8; }

  template <class Pass>
  bool walk(Pass& pass, platform::File* dst);

 private:
  template <class Pass>
  class StretchPass;

  // Where the first-frame search from `from` stops; none when it finds nothing or a read fails.
  std::optional<uint64_t> firstSync(uint64_t from);
  // Whether the walk from `firstFrame` finds the file a carrier; silent.
  bool countsFrom(uint64_t firstFrame);

  const OperationContext& context_;
  platform::File* src_ = nullptr;
  uint64_t size_ = 0;
  mp3::WalkStart start_;
  uint32_t leadIn_ = 0;
  uint8_t level_ = 0;
};

// Hands each bit of a stretch that the pass does not pass over to it, most significant first, and
// stores it back.
template <class Pass>
class Mp3Format::StretchPass final : public mp3::StretchVisitor {
 public:
  explicit StretchPass(Pass& pass) : pass_(pass) {}

  bool visit(uint8_t* bytes, const mp3::FreeStretch& stretch) override {
    for (uint64_t i = stretch.firstBit, end = i + stretch.bits;;) {
      i += pass_.passOver(end - i);
      if (i == end) return true;
      uint8_t& byte = bytes[i / 8];
      const uint32_t shift = 7 - i % 8;
      uint8_t unitBit = (byte >> shift) & 1;
      if (!pass_.visit(unitBit)) return false;
      byte = static_cast<uint8_t>((byte & ~(1u << shift)) | (unitBit << shift));
      ++i;
    }
  }

 private:
  Pass& pass_;
};

// For a target: the bytes before the first frame are copied, the window copies the frames with
// their stretches rewritten, and whatever follows the last byte it read is copied after it.
template <class Pass>
bool Mp3Format::walk(Pass& pass, platform::File* dst) {
  if (dst && !context_.copyRange(*src_, *dst, 0, start_.firstFrame)) return false;
  mp3::ByteWindow window(*src_, size_, context_.workspace.sampleBuffer, dst, start_.firstFrame);
  StretchPass<Pass> visitor(pass);
  if (!mp3::walkFrames(context_, window, start_, visitor)) return false;
  return !dst || context_.copyRange(*src_, *dst, window.end(), size_);
}

const CarrierHandler& mp3Handler();

const FormatFacts& mp3Facts();

}  // namespace murl
