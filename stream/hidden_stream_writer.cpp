// The stream builder: the SourceTree serialised, compressed, enciphered piece by piece and framed
// into a temporary file.
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/byte_order.h"
#include "stream/cipher_pipeline.h"
#include "stream/deflate_pipeline.h"
#include "stream/hidden_stream.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace murl {

namespace {

// Visits the files in stream order: a folder's files, then each subfolder in turn, with the
// relative path of the folder ("docs\img\"). Iterative, so deep trees need no deep stack.
using FileVisitor = std::function<bool(const std::string& folderPath, const SourceFile& file)>;

bool forEachFile(const SourceTree& tree, const FileVisitor& visit) {
  struct Frame {
    const SourceFolder* folder;
    size_t next;
    size_t pathLength;  // of the relative path before this folder's name was appended
  };
  std::string path;
  for (const auto& file : tree.root().files()) {
    if (!visit(path, file)) return false;
  }
  std::vector<Frame> stack{{&tree.root(), 0, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.folder->subfolderCount()) {
      path.resize(frame.pathLength);
      stack.pop_back();
      continue;
    }
    const SourceFolder& sub = frame.folder->subfolder(frame.next++);
    size_t before = path.size();
    path += sub.name();
    path += '\\';
    for (const auto& file : sub.files()) {
      if (!visit(path, file)) return false;
    }
    stack.push_back({&sub, 0, before});
  }
  return true;
}

class StreamBuilder {
 public:
  StreamBuilder(Workspace& workspace, JobListener& listener, platform::File& out,
                uint64_t totalContent, unsigned cipherWorkers)
      : ws_(workspace),
        listener_(listener),
        out_(out),
        input_(workspace.workBuffer.data()),
        deflate_(std::span<uint8_t>(workspace.codecBuffer.data(), kCipherBlockSize),
                 cipherWorkers > 0),
        totalContent_(totalContent) {
    if (cipherWorkers > 0) {
      pipeline_ = std::make_unique<CipherPipeline>(CipherDirection::kEncipher, ws_.password,
                                                   ws_.interrupt(), cipherWorkers);
    }
  }

  bool open(uint8_t level) {
    static const uint8_t kPlaceholder[4] = {};
    if (!out_.writeExact(kPlaceholder, 4)) return fail(MessageId::kCouldntWriteTempFile);
    if (!deflate_.open(level)) return fail(MessageId::kCompressionError);
    return true;
  }

  bool putFileCount(uint32_t count) {
    uint8_t field[2];
    storeLe16(field, static_cast<uint16_t>(count));
    return put(field, 2);
  }

  bool putFile(const std::string& folderPath, const SourceFile& file) {
    std::string_view name = file.name();
    size_t pathLength = folderPath.size() + name.size();
    uint8_t field[8];
    storeLe16(field, static_cast<uint16_t>(pathLength));
    if (!put(field, 2) || !put(folderPath.data(), folderPath.size()) ||
        !put(name.data(), name.size())) {
      return false;
    }
    storeLe32(field, file.size);
    storeLe32(field + 4, file.attributes);
    if (!put(field, 8)) return false;
    listener_.status(StatusLabel::kValue1, file.path);
    platform::File source = ws_.fileSystem.openRead(file.path);
    if (!source.isOpen()) return fail(MessageId::kCouldntOpenFile);
    for (uint32_t left = file.size; left > 0;) {
      if (ws_.interrupted()) return false;
      size_t n = std::min<size_t>(left, kCodecArea - used_);
      if (!source.readExact(input_ + used_, n)) return fail(MessageId::kCouldntReadFile);
      used_ += n;
      left -= static_cast<uint32_t>(n);
      contentRead_ += n;
      listener_.progress(static_cast<uint8_t>(contentRead_ * 100 / totalContent_));
      if (used_ == kCodecArea && !compressArea(false)) return false;
    }
    return true;
  }

  // Finishes the zlib stream and frames the block area. L goes to `length`.
  bool finish(uint32_t& length) {
    if (!compressArea(true)) return false;
    if (pipeline_ && !pipeline_->drain(appendPiece())) return false;
    if (written_ + 8 > kMaxEncipheredSize) return fail(MessageId::kHidingDataBitsTooMany);
    uint8_t field[4];
    storeLe32(field, check_);
    if (!out_.writeExact(field, 4)) return fail(MessageId::kCouldntWriteTempFile);
    storeLe32(field, static_cast<uint32_t>(written_));
    if (!out_.seek(0) || !out_.writeExact(field, 4)) return fail(MessageId::kCouldntWriteTempFile);
    length = static_cast<uint32_t>(written_);
    return true;
  }

 private:
  bool fail(MessageId id) {
    ws_.show(id);
    return false;
  }

  // Appends bytes whole, carrying what does not fit over to the next buffer-full.
  bool put(const void* data, size_t n) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (n > 0) {
      size_t part = std::min(n, kCodecArea - used_);
      std::copy(bytes, bytes + part, input_ + used_);
      used_ += part;
      bytes += part;
      n -= part;
      if (used_ == kCodecArea && !compressArea(false)) return false;
    }
    return true;
  }

  bool compressArea(bool last) {
    if (ws_.interrupted()) return false;
    CodecStatus status = deflate_.compress(
        input_, used_, last, [this](uint8_t* piece, size_t n) { return writePiece(piece, n); });
    used_ = 0;
    if (status == CodecStatus::kLibraryError) return fail(MessageId::kCompressionError);
    return status == CodecStatus::kOk;
  }

  // A piece of compressed bytes, enciphered (16 bytes longer) and appended: in place on this
  // thread, or by the pipeline's workers with the draws made here, in piece order.
  bool writePiece(uint8_t* piece, size_t n) {
    if (ws_.password.length() == 0) return fail(MessageId::kCompressionError);
    if (pipeline_)
      return pipeline_->submit(piece, n, drawCipherParameters(ws_.random), appendPiece());
    if (!encipherBlock(piece, n, ws_.password, ws_.random, ws_.interrupt())) {
      return false;  // stopped
    }
    return append(piece, n + kCipherOverhead);
  }

  PieceWriter appendPiece() {
    return [this](const uint8_t* data, size_t m) { return append(data, m); };
  }

  bool append(const uint8_t* piece, size_t m) {
    check_ = static_cast<uint32_t>(adler32(check_, piece, static_cast<uInt>(m)));
    if (!out_.writeExact(piece, m)) return fail(MessageId::kCouldntWriteTempFile);
    written_ += m;
    return true;
  }

  Workspace& ws_;
  JobListener& listener_;
  platform::File& out_;
  uint8_t* input_;
  size_t used_ = 0;
  DeflatePipeline deflate_;
  uint64_t totalContent_;
  uint64_t contentRead_ = 0;
  uint32_t check_ = 1;
  uint64_t written_ = 0;
  // Declared last: destroyed first, so its workers are joined before the buffers they read go.
  std::unique_ptr<CipherPipeline> pipeline_;
};

// A name the reader would split differently (a "\" inside) or refuse as a whole.
bool usableName(std::string_view name) {
  std::vector<std::string_view> parts;
  return name.find('\\') == std::string_view::npos && splitStreamPath(name, parts);
}

// The first file or folder name of the tree that cannot travel in the stream; nullptr if none.
const char* unusableName(const SourceTree& tree) {
  std::vector<const SourceFolder*> pending{&tree.root()};
  while (!pending.empty()) {
    const SourceFolder* folder = pending.back();
    pending.pop_back();
    for (const auto& file : folder->files()) {
      if (!usableName(file.name())) return file.path.c_str();
    }
    for (size_t i = 0; i < folder->subfolderCount(); ++i) {
      const SourceFolder& sub = folder->subfolder(i);
      if (!usableName(sub.name())) return sub.name().c_str();
      pending.push_back(&sub);
    }
  }
  return nullptr;
}

// Checks every name and path and the HiddenStream's length before anything is written.
bool checkLimits(Workspace& workspace, const SourceTree& tree) {
  if (const char* name = unusableName(tree)) {
    // A stream holding it could be written but never read back.
    workspace.showText(
        MessageId::kHiddenNameUnusable,
        std::string(messageText(MessageId::kHiddenNameUnusable, workspace.language)) + "\r\n" +
            name);
    return false;
  }
  uint64_t length = 2;
  bool pathTooLong = false;
  forEachFile(tree, [&](const std::string& folderPath, const SourceFile& file) {
    uint64_t pathLength = folderPath.size() + file.name().size();
    if (pathLength + 1 > 0xFFFF) {
      pathTooLong = true;
      return false;
    }
    length += 2 + pathLength + 8 + file.size;
    return true;
  });
  if (pathTooLong) {
    workspace.show(MessageId::kHidingPathTooLong);
    return false;
  }
  if (length > kMaxHiddenStreamSize) {
    workspace.show(MessageId::kHiddenStreamTooLong);
    return false;
  }
  return true;
}

bool buildStream(Workspace& workspace, const SourceTree& tree, JobListener& listener,
                 platform::File& out, uint32_t& length, unsigned cipherWorkers) {
  StreamBuilder builder(workspace, listener, out, std::max<uint64_t>(tree.totalSize(), 1),
                        cipherWorkers);
  if (!builder.open(workspace.options.compressionLevel)) return false;
  if (!builder.putFileCount(tree.fileCount()) ||
      !forEachFile(tree, [&](const std::string& folderPath, const SourceFile& file) {
        return builder.putFile(folderPath, file);
      })) {
    return false;
  }
  return builder.finish(length);
}

}  // namespace

bool writeHiddenStream(Workspace& workspace, const SourceTree& tree, JobListener& listener,
                       TempFile& stream, uint32_t& streamBits, unsigned cipherWorkers) {
  if (!checkLimits(workspace, tree)) return false;
  if (!stream.create(workspace)) return false;
  uint32_t length = 0;
  if (workspace.interrupted() ||
      !buildStream(workspace, tree, listener, stream.file(), length, cipherWorkers)) {
    stream.wipe();
    return false;
  }
  streamBits = (length + 8) * 8;
  return true;
}

}  // namespace murl
