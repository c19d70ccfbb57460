#pragma once
// Where each frame's main data lies in the bit reservoir, and the unused bits between one frame's
// main data and the next frame's: the free stretch that carries hidden bits. Pure arithmetic over
// the frames the walk meets, in file order; no file access.
#include <array>
#include <cstdint>

namespace murl::mp3 {

constexpr uint32_t kHistoryFrames = 99;

// A frame as the walk read it.
struct FrameFacts {
  int64_t start = 0;
  uint32_t prefix = 0;  // header, CRC, side information
  uint32_t length = 0;
  uint32_t mainDataBegin = 0;
  uint32_t mainBits = 0;  // B

  int64_t end() const { return start + length; }
  int64_t prefixEnd() const { return start + prefix; }
};

// The free bits of one frame: `bits` bits from bit `firstBit` (counted from the most significant)
// of byte `firstByte` on. No bits: the frame carries nothing.
struct FreeStretch {
  int64_t firstByte = 0;
  uint32_t firstBit = 0;
  uint64_t bits = 0;

  bool empty() const { return bits == 0; }
  int64_t lastByte() const { return firstByte + static_cast<int64_t>((firstBit + bits - 1) / 8); }
};

class Reservoir {
 public:
  // `leadInPosition` is the byte the lead-in is read from: no stretch may contain it.
  Reservoir(uint64_t fileSize, uint64_t leadInPosition)
      : fileSize_(static_cast<int64_t>(fileSize)), leadInPosition_(leadInPosition) {}

  // The first frame; its main data must begin right after its own prefix.
  bool first(const FrameFacts& frame);
  // The frame that follows the current one: places its main data, gives the current frame's free
  // stretch and makes the new frame the current one. False when the main data cannot be placed
  // (before the file, past its end, or over the current frame's).
  bool next(const FrameFacts& frame, FreeStretch& stretch);

  const FrameFacts& current() const { return current_.facts; }
  // No later stretch starts before this byte.
  int64_t oldestStart() const { return count_ == 0 ? current_.facts.start : at(count_ - 1).start; }

 private:
  struct Placed {
    FrameFacts facts;
    int64_t mainStart = 0;  // D
    int64_t mainEnd = 0;    // E
  };
  struct Seen {
    int64_t start = 0;
    uint32_t prefix = 0;
  };

  // The history, 0 the most recent.
  const Seen& at(uint32_t back) const {
    return history_[(newest_ + kHistoryFrames - back) % kHistoryFrames];
  }
  void remember(const FrameFacts& frame);
  int64_t countBack(const FrameFacts& next) const;
  int64_t moveOverPrefixes(int64_t mainStart, int64_t mainEnd, const FrameFacts& next) const;
  FreeStretch stretchOf(const Placed& frame, int64_t nextMainStart) const;
  bool touchesFrame(int64_t from, int64_t to, int64_t stretchFirst, int64_t stretchLast) const;

  int64_t fileSize_;
  uint64_t leadInPosition_;
  Placed current_;
  std::array<Seen, kHistoryFrames> history_{};
  uint32_t newest_ = kHistoryFrames - 1;
  uint32_t count_ = 0;
};

}  // namespace murl::mp3
