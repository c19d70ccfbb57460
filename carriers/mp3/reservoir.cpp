#include "carriers/mp3/reservoir.h"

#include <algorithm>

#include "carriers/mp3/mp3_frame.h"

namespace murl::mp3 {

bool Reservoir::first(const FrameFacts& frame) {
  if (frame.mainDataBegin != 0) return false;
  const int64_t mainStart = frame.prefixEnd();
  current_ = {frame, mainStart, mainDataEnd(mainStart, frame.mainBits)};
  count_ = 0;
  return true;
}

bool Reservoir::next(const FrameFacts& frame, FreeStretch& stretch) {
  const int64_t mainStart = frame.mainDataBegin == 0 ? frame.prefixEnd() : countBack(frame);
  const int64_t mainEnd =
      moveOverPrefixes(mainStart, mainDataEnd(mainStart, frame.mainBits), frame);
  if (mainEnd >= fileSize_) return false;
  // Main data that begins inside the current frame must begin after the current frame's.
  if (mainStart <= current_.facts.end()) {
    if (current_.mainEnd > mainStart) return false;
    if (current_.mainEnd == mainStart && current_.facts.mainBits > 0) return false;
  }
  stretch = stretchOf(current_, mainStart);
  remember(current_.facts);
  current_ = {frame, mainStart, mainEnd};
  return true;
}

void Reservoir::remember(const FrameFacts& frame) {
  newest_ = (newest_ + 1) % kHistoryFrames;
  history_[newest_] = {frame.start, frame.prefix};
  count_ = std::min(count_ + 1, kHistoryFrames);
}

// main_data_begin counts reservoir bytes only, so every prefix the count passes over is skipped.
// Prefix ends rise from frame to frame: once the position is past one, it is past all before.
int64_t Reservoir::countBack(const FrameFacts& next) const {
  int64_t position = next.start - next.mainDataBegin;
  if (position >= current_.facts.prefixEnd()) return position;
  position -= current_.facts.prefix;
  for (uint32_t back = 0; back < count_ && position < at(back).start + at(back).prefix; ++back) {
    position -= at(back).prefix;
  }
  return position;
}

// Main data running over a frame's start skips its prefix; frames are taken in file order, so a
// move that reaches a later frame moves on over its prefix too.
int64_t Reservoir::moveOverPrefixes(int64_t mainStart, int64_t mainEnd,
                                    const FrameFacts& next) const {
  uint32_t after = 0;  // history frames that start after mainStart
  while (after < count_ && at(after).start > mainStart) ++after;
  for (uint32_t back = after; back-- > 0;) {
    if (at(back).start > mainEnd) return mainEnd;
    mainEnd += at(back).prefix;
  }
  for (const FrameFacts* frame : {&current_.facts, &next}) {
    if (frame->start <= mainStart) continue;
    if (frame->start > mainEnd) return mainEnd;
    mainEnd += frame->prefix;
  }
  return mainEnd;
}

// From the bit after the frame's last main data bit to the byte before the next frame's main
// data, within the frame.
FreeStretch Reservoir::stretchOf(const Placed& frame, int64_t nextMainStart) const {
  const int64_t lastMain = frame.mainEnd;
  const uint32_t usedBits = frame.facts.mainBits % 8;
  const int64_t limit = std::min(nextMainStart, frame.facts.end());
  FreeStretch stretch{lastMain + 1, 0, 0};
  if (usedBits != 0 && lastMain < limit) stretch = {lastMain, usedBits, 8 - usedBits};
  if (limit > lastMain + 1) stretch.bits += 8 * static_cast<uint64_t>(limit - lastMain - 1);
  if (stretch.empty() ||
      touchesFrame(lastMain, nextMainStart, stretch.firstByte, stretch.lastByte())) {
    return {};
  }
  return stretch;
}

// True when [from, to] holds the lead-in byte, or the start or last prefix byte of the current
// frame or of a frame of the history; also when the stretch itself would reach into any of their
// prefixes or before the oldest frame remembered, whose prefixes are no longer known.
bool Reservoir::touchesFrame(int64_t from, int64_t to, int64_t stretchFirst,
                             int64_t stretchLast) const {
  const auto within = [&](int64_t at) { return at >= from && at <= to; };
  if (within(static_cast<int64_t>(leadInPosition_)) || stretchFirst < oldestStart()) return true;
  const auto hits = [&](int64_t start, uint32_t prefix) {
    const int64_t lastPrefix = start + prefix - 1;
    return within(start) || within(lastPrefix) ||
           (start <= stretchLast && lastPrefix >= stretchFirst);
  };
  if (hits(current_.facts.start, current_.facts.prefix)) return true;
  for (uint32_t back = 0; back < count_; ++back) {
    const Seen& frame = at(back);
    // Older frames end earlier still.
    if (frame.start + frame.prefix - 1 < from) break;
    if (hits(frame.start, frame.prefix)) return true;
  }
  return false;
}

}  // namespace murl::mp3
