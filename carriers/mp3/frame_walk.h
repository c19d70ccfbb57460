#pragma once
// The walk over the frames of an MP3 file, shared by every operation: from the first frame on,
// frame after frame while the next one begins with a sync, each frame's free stretch handed to a
// visitor in file order. The last frame never carries: its stretch would end where the next
// frame's main data begins.
#include <cstdint>

#include "carriers/common/operation.h"
#include "carriers/mp3/byte_window.h"
#include "carriers/mp3/reservoir.h"

namespace murl::mp3 {

class StretchVisitor {
 public:
  // The stretch's bytes, from its first byte, fetched into the window; they may be changed.
  // False when the visit fails (its message shown).
  virtual bool visit(uint8_t* bytes, const FreeStretch& stretch) = 0;

 protected:
  ~StretchVisitor() = default;
};

struct WalkStart {
  uint64_t firstFrame = 0;
  uint64_t leadInPosition = 0;  // P: no stretch may hold it
};

// True at the end of the walk. False after the context's message (none for count or a stop)
// when a frame fails its checks, its main data cannot be placed, a read or write comes up short,
// or the visitor fails. A window with a target has written everything it held to it at the end.
bool walkFrames(const OperationContext& context, ByteWindow& window, const WalkStart& start,
                StretchVisitor& visitor);

}  // namespace murl::mp3
