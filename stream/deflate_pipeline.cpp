#include "stream/deflate_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/byte_order.h"

namespace murl {
namespace {

// Parts are large enough that priming, probing and flushing cost nothing measurable, and small
// enough that the worker's output is a small buffer beside the 4 MiB areas.
constexpr size_t kPart = 0x100000;
// Each compressor hands its output over in chunks of this size.
constexpr size_t kChunk = 0x10000;
// A part starts an area or lies a whole part into it, so its history is the previous areas' tail
// or bytes of its own area, never both.
static_assert(kPart >= kDeflateWindow);

}  // namespace

struct DeflatePipeline::Worker {
  Worker() : area(kChunk + kCodecAreaSlack), compressor(area) {
    made.reserve(kPart + kPart / 16);
    thread = std::thread([this] { work(); });
  }
  ~Worker() {
    {
      std::lock_guard lock(mutex);
      shuttingDown = true;
    }
    changed.notify_all();
    thread.join();
  }

  void work() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return queued || shuttingDown; });
      if (shuttingDown) return;
      queued = false;
      const Part p = part;
      lock.unlock();
      made.clear();
      const CodecStatus s =
          compressor.compressPart(p.history, p.input, p.n, p.last, [&](uint8_t* data, size_t n) {
            made.insert(made.end(), data, data + n);
            return true;
          });
      lock.lock();
      status = s;
      done = true;
      changed.notify_all();
    }
  }

  std::vector<uint8_t> area;
  Compressor compressor;
  std::vector<uint8_t> made;  // the part's compressed bytes
  Part part;
  CodecStatus status = CodecStatus::kOk;
  bool queued = false;
  bool done = false;
  bool shuttingDown = false;
  std::mutex mutex;
  std::condition_variable changed;
  std::thread thread;  // last: started once everything it uses exists
};

DeflatePipeline::DeflatePipeline(std::span<uint8_t> pieces, bool withWorker)
    : pieces_(pieces), here_(kChunk + kCodecAreaSlack), compressor_(here_) {
  if (withWorker) worker_ = std::make_unique<Worker>();
}

DeflatePipeline::~DeflatePipeline() = default;

bool DeflatePipeline::open(uint8_t levelIndex) {
  filled_ = 0;
  check_ = 1;
  tail_.clear();
  if (!compressor_.openParts(levelIndex)) return false;
  if (worker_ && !worker_->compressor.openParts(levelIndex)) return false;
  const std::array<uint8_t, 2> header = zlibHeader(deflateTuning(levelIndex).level);
  std::copy(header.begin(), header.end(), pieces_.begin());
  filled_ = header.size();
  return true;
}

std::span<const uint8_t> DeflatePipeline::historyAt(const uint8_t* input, size_t offset) const {
  if (offset == 0) return tail_;
  return {input + offset - kDeflateWindow, kDeflateWindow};
}

void DeflatePipeline::keepTail(const uint8_t* input, size_t n) {
  const size_t take = std::min(n, kDeflateWindow);
  tail_.insert(tail_.end(), input + n - take, input + n);
  if (tail_.size() > kDeflateWindow)
    tail_.erase(tail_.begin(), tail_.end() - static_cast<std::ptrdiff_t>(kDeflateWindow));
}

bool DeflatePipeline::append(const uint8_t* bytes, size_t n, const CodecSink& sink) {
  const size_t area = pieces_.size() - kCodecAreaSlack;
  while (n > 0) {
    const size_t take = std::min(n, area - filled_);
    std::memcpy(pieces_.data() + filled_, bytes, take);
    filled_ += take;
    bytes += take;
    n -= take;
    if (filled_ == area) {
      if (!sink(pieces_.data(), area)) return false;
      filled_ = 0;
    }
  }
  return true;
}

CodecStatus DeflatePipeline::compressHere(const Part& part, const CodecSink& sink) {
  return compressor_.compressPart(part.history, part.input, part.n, part.last,
                                  [&](uint8_t* data, size_t n) { return append(data, n, sink); });
}

void DeflatePipeline::startAtWorker(const Part& part) {
  {
    std::lock_guard lock(worker_->mutex);
    worker_->part = part;
    worker_->queued = true;
    worker_->done = false;
  }
  worker_->changed.notify_all();
}

CodecStatus DeflatePipeline::finishAtWorker(const CodecSink* sink) {
  {
    std::unique_lock lock(worker_->mutex);
    worker_->changed.wait(lock, [&] { return worker_->done; });
  }
  if (worker_->status != CodecStatus::kOk || sink == nullptr) return worker_->status;
  return append(worker_->made.data(), worker_->made.size(), *sink) ? CodecStatus::kOk
                                                                   : CodecStatus::kSinkRefused;
}

CodecStatus DeflatePipeline::compress(const uint8_t* input, size_t n, bool last,
                                      const CodecSink& sink) {
  check_ = static_cast<uint32_t>(adler32(check_, input, static_cast<uInt>(n)));
  auto partAt = [&](size_t offset) {
    const size_t size = std::min(kPart, n - offset);
    return Part{historyAt(input, offset), input + offset, size, last && offset + size == n};
  };
  if (n == 0 && !last) return CodecStatus::kOk;
  // An empty last area still makes one part: the final block.
  size_t offset = 0;
  do {
    const Part here = partAt(offset);
    const size_t next = offset + here.n;
    const bool paired = worker_ != nullptr && next < n;
    if (paired) startAtWorker(partAt(next));
    CodecStatus status = compressHere(here, sink);
    // The worker reads the input: it is waited for on every path before this returns.
    if (paired) {
      const CodecStatus there = finishAtWorker(status == CodecStatus::kOk ? &sink : nullptr);
      if (status == CodecStatus::kOk) status = there;
    }
    if (status != CodecStatus::kOk) return status;
    offset = paired ? next + std::min(kPart, n - next) : next;
  } while (offset < n);
  keepTail(input, n);
  if (!last) return CodecStatus::kOk;
  uint8_t trailer[4];
  storeBe32(trailer, check_);
  if (!append(trailer, sizeof trailer, sink)) return CodecStatus::kSinkRefused;
  // The rest is the last piece; when the trailer filled a piece exactly, that one was the last.
  const size_t rest = filled_;
  filled_ = 0;
  return rest == 0 || sink(pieces_.data(), rest) ? CodecStatus::kOk : CodecStatus::kSinkRefused;
}

}  // namespace murl
