// The reader: a gathered stream checked, deciphered and inflated into the decoded file, which is
// then parsed into the extraction tree. Everything read here may be hostile.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "platform/byte_order.h"
#include "stream/hidden_stream.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace murl {

namespace {

// Each cipher block holds at least one byte of data besides the encipherment's 16.
constexpr uint32_t kMinLastBlock = kCipherOverhead + 1;

bool invalid(Workspace& workspace) {
  workspace.show(MessageId::kInvalidData);
  return false;
}

// Reads the decoded file front to back through a buffer, within its known length: a field that
// would run past the end is invalid data, not a read failure.
class RecordReader {
 public:
  RecordReader(platform::File& file, uint64_t length, std::span<uint8_t> buffer)
      : file_(file), length_(length), buffer_(buffer) {}

  uint64_t position() const { return position_; }
  // The position may pass the end after skipping a content that was too long.
  bool fits(uint64_t n) const { return position_ <= length_ && n <= length_ - position_; }
  void skip(uint64_t n) { position_ += n; }

  // False when the bytes are not all there; `readFailed` tells a short read of the file apart.
  bool read(void* out, size_t n) {
    if (!fits(n)) return false;
    auto* bytes = static_cast<uint8_t*>(out);
    while (n > 0) {
      if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferLength_) {
        if (!refill()) return false;
      }
      size_t at = static_cast<size_t>(position_ - bufferStart_);
      size_t part = std::min(n, bufferLength_ - at);
      std::copy_n(buffer_.data() + at, part, bytes);
      bytes += part;
      n -= part;
      position_ += part;
    }
    return true;
  }

  bool readFailed = false;

 private:
  bool refill() {
    size_t n = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), length_ - position_));
    if (!file_.seek(position_) || !file_.readExact(buffer_.data(), n)) {
      readFailed = true;
      return false;
    }
    bufferStart_ = position_;
    bufferLength_ = n;
    return true;
  }

  platform::File& file_;
  uint64_t length_;
  std::span<uint8_t> buffer_;
  uint64_t position_ = 0;
  uint64_t bufferStart_ = 0;
  size_t bufferLength_ = 0;
};

// Reads n bytes of a record; the message tells a damaged stream from a failing disk.
bool readField(Workspace& workspace, RecordReader& reader, void* out, size_t n) {
  if (reader.read(out, n)) return true;
  if (reader.readFailed) {
    workspace.show(MessageId::kCouldntReadTempFile);
    return false;
  }
  return invalid(workspace);
}

bool readU32(Workspace& workspace, RecordReader& reader, uint32_t& value) {
  uint8_t field[4];
  if (!readField(workspace, reader, field, 4)) return false;
  value = loadLe32(field);
  return true;
}

bool readU16(Workspace& workspace, RecordReader& reader, uint32_t& value) {
  uint8_t field[2];
  if (!readField(workspace, reader, field, 2)) return false;
  value = loadLe16(field);
  return true;
}

// Checks, deciphers and inflates the `length` bytes of blocks that follow L, into `decoded`;
// `check` gets their Adler-32 and `total` the inflated length.
bool decodeBlocks(Workspace& workspace, platform::File& gathered, uint32_t length,
                  JobListener& listener, platform::File& decoded, unsigned cipherWorkers,
                  uint32_t& check, uint64_t& total) {
  Decompressor decompressor(std::span<uint8_t>(workspace.workBuffer.data(), kCodecArea));
  if (!decompressor.open()) {
    workspace.show(MessageId::kOutOfMemory);
    return false;
  }
  CodecSink sink = [&](uint8_t* data, size_t n) {
    total += n;
    // Stop as soon as the limit is passed, before a small hostile stream can fill the disk.
    if (total > kMaxHiddenStreamSize) return invalid(workspace);
    if (!decoded.writeExact(data, n)) {
      workspace.show(MessageId::kCouldntWriteTempFile);
      return false;
    }
    return true;
  };

  // Inflates the deciphered blocks in stream order; a refusal has shown its message.
  uint64_t blocksDone = 0;
  bool shown = false;
  PieceWriter inflateBlock = [&](const uint8_t* data, size_t n) {
    blocksDone += n + kCipherOverhead;
    CodecStatus status = decompressor.decompress(data, n, blocksDone == length, sink);
    if (status != CodecStatus::kOk) {
      if (status == CodecStatus::kLibraryError) invalid(workspace);
      shown = true;
      return false;
    }
    listener.progress(static_cast<uint8_t>(blocksDone * 100 / length));
    return true;
  };
  // Deciphering fails only when stopped; anything else is a block the writer never made.
  auto failed = [&] { return shown || workspace.interrupted() ? false : invalid(workspace); };
  std::unique_ptr<CipherPipeline> pipeline;
  if (cipherWorkers > 0) {
    pipeline = std::make_unique<CipherPipeline>(CipherDirection::kDecipher, workspace.password,
                                                workspace.interrupt(), cipherWorkers);
  }

  uint8_t* block = workspace.codecBuffer.data();
  for (uint32_t done = 0; done < length;) {
    if (workspace.interrupted()) return false;
    const uint32_t left = length - done;
    const bool last = left <= kCipherBlockSize;
    const uint32_t m = last ? left : static_cast<uint32_t>(kCipherBlockSize);
    if (m < kMinLastBlock) return invalid(workspace);
    if (!gathered.readExact(block, m)) {
      workspace.show(MessageId::kCouldntReadTempFile);
      return false;
    }
    check = static_cast<uint32_t>(adler32(check, block, m));
    done += m;
    if (pipeline) {
      if (!pipeline->submit(block, m, inflateBlock)) return failed();
      continue;
    }
    if (!decipherBlock(block, m, workspace.password, workspace.interrupt()) ||
        !inflateBlock(block, m - kCipherOverhead)) {
      return failed();
    }
  }
  if (pipeline && !pipeline->drain(inflateBlock)) return failed();
  return true;
}

}  // namespace

bool splitStreamPath(std::string_view path, std::vector<std::string_view>& components) {
  components.clear();
  size_t start = 0;
  for (;;) {
    size_t end = std::min(path.find('\\', start), path.size());
    std::string_view part = path.substr(start, end - start);
    if (part.empty() || part.size() > kMaxPathComponent || part == "." || part == "..") {
      return false;
    }
    for (char c : part) {
      auto b = static_cast<uint8_t>(c);
      if (b < 0x20 || b == 0x7F || c == '/') return false;
    }
    components.push_back(part);
    if (end == path.size()) return true;
    start = end + 1;
  }
}

bool decodeHiddenStream(Workspace& workspace, platform::File& gathered, uint64_t gatheredBytes,
                        JobListener& listener, platform::File& decoded, uint64_t& decodedLength,
                        unsigned cipherWorkers) {
  uint8_t field[4];
  if (gatheredBytes < 8) return invalid(workspace);
  if (!gathered.seek(0) || !gathered.readExact(field, 4)) {
    workspace.show(MessageId::kCouldntReadTempFile);
    return false;
  }
  const uint32_t length = loadLe32(field);
  // An empty block area holds no stream at all.
  if (length == 0 || length > kMaxEncipheredSize - 8 || length + uint64_t{8} > gatheredBytes) {
    return invalid(workspace);
  }

  uint32_t check = 1;
  uint64_t total = 0;
  if (!decodeBlocks(workspace, gathered, length, listener, decoded, cipherWorkers, check, total)) {
    return false;
  }
  if (!gathered.readExact(field, 4)) {
    workspace.show(MessageId::kCouldntReadTempFile);
    return false;
  }
  if (loadLe32(field) != check) return invalid(workspace);
  decodedLength = total;
  return true;
}

bool parseHiddenStream(Workspace& workspace, platform::File& decoded, uint64_t length,
                       ExtractionTree& tree) {
  tree.clear();
  if (length > kMaxHiddenStreamSize) return invalid(workspace);
  RecordReader reader(decoded, length, std::span<uint8_t>(workspace.workBuffer));
  uint32_t count = 0;
  if (!readU16(workspace, reader, count)) return false;
  std::string path;
  std::vector<std::string_view> components;
  for (uint32_t i = 0; i < count; ++i) {
    if (workspace.interrupted()) return false;
    uint32_t pathLength = 0, size = 0, attributes = 0;
    if (!readU16(workspace, reader, pathLength)) return false;
    path.resize(pathLength);
    if (!readField(workspace, reader, path.data(), pathLength) ||
        !readU32(workspace, reader, size)) {
      return false;
    }
    uint64_t end = reader.position() + size;
    if (end > length || end > 0xFFFFFFFF) return invalid(workspace);
    if (!readU32(workspace, reader, attributes)) return false;
    if (!splitStreamPath(path, components)) return invalid(workspace);
    std::string_view name = components.back();
    components.pop_back();
    if (!tree.add(components, name, size, attributes, reader.position())) {
      return invalid(workspace);
    }
    reader.skip(size);
  }
  if (reader.position() != length) return invalid(workspace);
  return true;
}

bool readHiddenStream(Workspace& workspace, platform::File& gathered, uint64_t gatheredBytes,
                      JobListener& listener, TempFile& decoded, ExtractionTree& tree,
                      unsigned cipherWorkers) {
  tree.clear();
  if (!decoded.create(workspace)) return false;
  uint64_t length = 0;
  if (!decodeHiddenStream(workspace, gathered, gatheredBytes, listener, decoded.file(), length,
                          cipherWorkers) ||
      !parseHiddenStream(workspace, decoded.file(), length, tree)) {
    decoded.wipe();
    tree.clear();
    return false;
  }
  return true;
}

}  // namespace murl
