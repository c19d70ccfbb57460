#include "stream/stream_decoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "stream/hidden_stream.h"

namespace murl {

// Bytes handed from one thread to another in the writer's own chunks, at most kCapacity pending.
// One MiB is enough to keep both threads busy (a sink buffer is about 1.4 MiB, and one chunk
// always passes); more only raises the peak memory of an unhide.
class BytePipe {
 public:
  static constexpr size_t kCapacity = 0x100000;

  // Waits for room, then queues the bytes; they are dropped once the reader has closed.
  void write(const uint8_t* data, size_t n) {
    std::vector<uint8_t> chunk;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock,
                    [&] { return readerClosed_ || pending_ == 0 || pending_ + n <= kCapacity; });
      if (readerClosed_) return;
      if (!spare_.empty()) {
        chunk = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    chunk.assign(data, data + n);  // outside the lock: the reader goes on meanwhile
    std::lock_guard lock(mutex_);
    if (readerClosed_) return;
    pending_ += n;
    chunks_.push_back(std::move(chunk));
    changed_.notify_all();
  }

  // Waits for bytes; fewer than asked once the writer has closed, none once aborted.
  size_t read(uint8_t* out, size_t n) {
    size_t moved = 0;
    std::unique_lock lock(mutex_);
    while (moved < n) {
      changed_.wait(lock, [&] { return aborted_ || !chunks_.empty() || writerClosed_; });
      if (aborted_ || chunks_.empty()) break;
      // The writer only appends: the front chunk stays put while it is copied unlocked.
      const std::vector<uint8_t>& front = chunks_.front();
      const size_t part = std::min(n - moved, front.size() - frontAt_);
      lock.unlock();
      std::memcpy(out + moved, front.data() + frontAt_, part);
      lock.lock();
      moved += part;
      frontAt_ += part;
      pending_ -= part;
      if (frontAt_ == front.size()) {
        spare_.push_back(std::move(chunks_.front()));
        chunks_.pop_front();
        frontAt_ = 0;
        changed_.notify_all();
      }
    }
    return moved;
  }

  void closeWriter() { close(writerClosed_); }
  // The reader needs no more: pending and later bytes are let go.
  void closeReader() {
    std::lock_guard lock(mutex_);
    readerClosed_ = true;
    chunks_.clear();
    spare_.clear();
    pending_ = 0;
    changed_.notify_all();
  }
  void abort() { close(aborted_); }

 private:
  void close(bool& flag) {
    std::lock_guard lock(mutex_);
    flag = true;
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> chunks_;
  std::vector<std::vector<uint8_t>> spare_;  // consumed chunks, reused for their capacity
  size_t frontAt_ = 0;
  size_t pending_ = 0;
  bool writerClosed_ = false;
  bool readerClosed_ = false;
  bool aborted_ = false;
};

namespace {

// One end of the pipe as a file that only moves forward.
class PipeEnd final : public platform::FileImpl {
 public:
  PipeEnd(std::shared_ptr<BytePipe> pipe, bool writing)
      : pipe_(std::move(pipe)), writing_(writing) {}
  size_t read(void* buffer, size_t count) override {
    const size_t moved = writing_ ? 0 : pipe_->read(static_cast<uint8_t*>(buffer), count);
    position_ += moved;
    return moved;
  }
  size_t write(const void* buffer, size_t count) override {
    if (!writing_) return 0;
    pipe_->write(static_cast<const uint8_t*>(buffer), count);
    position_ += count;
    return count;
  }
  bool seek(uint64_t offset) override { return offset == position_; }
  uint64_t position() const override { return position_; }
  // The end is never known ahead: a short read is the writer's end, not a failing disk.
  uint64_t size() const override { return position_; }
  bool truncate(uint64_t) override { return false; }
  bool sync() override { return true; }

 private:
  std::shared_ptr<BytePipe> pipe_;
  bool writing_;
  uint64_t position_ = 0;
};

}  // namespace

// Keeps the decoder's first message for the job's thread to show, and its latest progress.
class StreamDecoder::Relay final : public KeepingReporter, public JobListener {
 public:
  void progress(uint8_t percent) override { percent_ = percent; }
  uint8_t percent() const { return percent_; }

 private:
  std::atomic<uint8_t> percent_{0};
};

StreamDecoder::StreamDecoder(Workspace& workspace, uint64_t gatheredBytes, platform::File& decoded,
                             unsigned cipherWorkers)
    : workspace_(workspace),
      relay_(std::make_unique<Relay>()),
      pipe_(std::make_shared<BytePipe>()),
      input_(std::make_unique<PipeEnd>(pipe_, true)),
      output_(std::make_unique<PipeEnd>(pipe_, false)),
      side_(workspace, *relay_) {
  side_.workspace().password = workspace.password;
  side_.start([=, this, &decoded] { decode(gatheredBytes, decoded, cipherWorkers); });
}

StreamDecoder::~StreamDecoder() { abandon(); }

void StreamDecoder::decode(uint64_t gatheredBytes, platform::File& decoded,
                           unsigned cipherWorkers) {
  decodedOk_ = decodeHiddenStream(side_.workspace(), output_, gatheredBytes, *relay_, decoded,
                                  length_, cipherWorkers);
  pipe_->closeReader();
}

void StreamDecoder::abandon() {
  side_.abandon([this] { pipe_->abort(); });
}

bool StreamDecoder::finish(JobListener& listener, uint64_t& decodedLength) {
  pipe_->closeWriter();
  int posted = -1;
  auto postProgress = [&] {
    if (relay_->percent() == posted) return;
    posted = relay_->percent();
    listener.progress(static_cast<uint8_t>(posted));
  };
  side_.await(postProgress);
  postProgress();
  if (workspace_.interrupted()) return false;
  if (!decodedOk_) {
    if (const std::optional<Message>& message = relay_->message())
      workspace_.showText(message->id, message->text);
    return false;
  }
  decodedLength = length_;
  return true;
}

}  // namespace murl
