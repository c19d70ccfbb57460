#include "carriers/mp3/frame_walk.h"

#include "carriers/mp3/mp3_frame.h"

namespace murl::mp3 {
namespace {

class FrameWalk {
 public:
  FrameWalk(const OperationContext& context, ByteWindow& window, const WalkStart& start,
            StretchVisitor& visitor)
      : context_(context),
        window_(window),
        visitor_(visitor),
        reservoir_(window.size(), start.leadInPosition),
        first_(start.firstFrame) {}

  bool run() {
    FrameFacts frame;
    if (!readFrame(first_, frame) || !reservoir_.first(frame)) return failed();
    for (;;) {
      if (context_.stopped()) return false;
      const int64_t end = reservoir_.current().end();
      if (static_cast<uint64_t>(end) + 3 >= window_.size()) break;
      window_.keepFrom(static_cast<uint64_t>(reservoir_.oldestStart()));
      if (!window_.fetch(static_cast<uint64_t>(end), kHeaderBytes)) return failed();
      reportProgress();
      if (!isSync(window_.data(static_cast<uint64_t>(end)))) break;
      FreeStretch stretch;
      if (!readFrame(static_cast<uint64_t>(end), frame) || !reservoir_.next(frame, stretch)) {
        return failed();
      }
      if (!stretch.empty() && !visit(stretch)) return false;
    }
    return window_.finish() || failed();
  }

 private:
  bool readFrame(uint64_t at, FrameFacts& frame) {
    FrameHeader header;
    if (!window_.fetch(at, kHeaderBytes) || !parseHeader(window_.data(at), header)) return false;
    if (!window_.fetch(at, header.prefix)) return false;
    const SideInfo side = parseSideInfo(window_.data(at), header);
    frame = {static_cast<int64_t>(at), header.prefix, header.length, side.mainDataBegin,
             side.mainBits};
    return true;
  }

  bool visit(const FreeStretch& stretch) {
    const auto from = static_cast<uint64_t>(stretch.firstByte);
    const auto to = static_cast<uint64_t>(stretch.lastByte()) + 1;
    if (!window_.fetch(from, to - from)) return failed();
    return visitor_.visit(window_.data(from), stretch);
  }

  void reportProgress() {
    if (window_.end() == reported_) return;
    reported_ = window_.end();
    context_.progress(reported_, window_.size());
  }

  // Every failure of the walk reads as a failed read, but for a target that could not be written.
  bool failed() const {
    return window_.writeFailed() ? context_.writeFailed() : context_.readFailed();
  }

  const OperationContext& context_;
  ByteWindow& window_;
  StretchVisitor& visitor_;
  Reservoir reservoir_;
  uint64_t first_;
  uint64_t reported_ = 0;
};

}  // namespace

bool walkFrames(const OperationContext& context, ByteWindow& window, const WalkStart& start,
                StretchVisitor& visitor) {
  return FrameWalk(context, window, start, visitor).run();
}

}  // namespace murl::mp3
