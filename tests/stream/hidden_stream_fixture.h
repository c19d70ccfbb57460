#pragma once
// Shared by the hidden stream writer and reader tests: stream builders and the fixture.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "platform/byte_order.h"
#include "platform/file_system.h"
#include "stream/deflate_pipeline.h"
#include "stream/hidden_stream.h"
#include "support/faulty_file_system.h"
#include "support/random_bytes.h"
#include "support/recording_listener.h"
#include "support/recording_reporter.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/thread_count.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace murl::stream_test {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;
using test::RecordingListener;
using test::threadCount;

// Compresses a HiddenStream in input areas as the writer does; the whole zlib stream.
inline Bytes zlibStream(const Bytes& plain, uint8_t level) {
  Bytes buffer(kCipherBlockSize), out;
  DeflatePipeline c(buffer, false);
  EXPECT_TRUE(c.open(level));
  CodecSink keep = [&](uint8_t* p, size_t n) {
    out.insert(out.end(), p, p + n);
    return true;
  };
  size_t at = 0;
  for (; plain.size() - at >= kCodecArea; at += kCodecArea) {
    EXPECT_EQ(c.compress(plain.data() + at, kCodecArea, false, keep), CodecStatus::kOk);
  }
  EXPECT_EQ(c.compress(plain.data() + at, plain.size() - at, true, keep), CodecStatus::kOk);
  return out;
}

// Frames any zlib bytes as an enciphered HiddenStream: pieces of 0x3FFFF0 enciphered, L, check.
inline Bytes frame(const Bytes& compressed, const Password& password) {
  RandomSource random;
  Bytes out(4), piece(kCipherBlockSize);
  for (size_t at = 0; at < compressed.size(); at += kCodecArea) {
    size_t n = std::min(kCodecArea, compressed.size() - at);
    std::copy_n(compressed.begin() + at, n, piece.begin());
    EXPECT_TRUE(encipherBlock(piece.data(), n, password, random));
    out.insert(out.end(), piece.begin(), piece.begin() + n + kCipherOverhead);
  }
  uint32_t length = static_cast<uint32_t>(out.size() - 4);
  uint32_t check = static_cast<uint32_t>(adler32(1, out.data() + 4, length));
  storeLe32(out.data(), length);
  appendLe32(out, check);
  return out;
}

// One HiddenStream record.
inline void appendRecord(Bytes& out, const std::string& path, const Bytes& content,
                         uint32_t attributes = 0x80, int64_t sizeField = -1) {
  uint32_t size = sizeField < 0 ? static_cast<uint32_t>(content.size()) : uint32_t(sizeField);
  appendLe16(out, static_cast<uint16_t>(path.size()));
  out.insert(out.end(), path.begin(), path.end());
  appendLe32(out, size);
  appendLe32(out, attributes);
  out.insert(out.end(), content.begin(), content.end());
}

// The content size (taken from the start of `pool`) whose one-file HiddenStream "r" compresses
// to exactly `target` bytes; random content is stored, so sizes and lengths move together.
inline uint32_t contentSizeForCompressedLength(const Bytes& pool, uint32_t target, uint8_t level,
                                               uint32_t guess) {
  uint32_t size = guess;
  for (int tries = 0; tries < 8; ++tries) {
    Bytes plain = {1, 0};
    appendRecord(plain, "r", Bytes(pool.begin(), pool.begin() + size));
    int64_t length = static_cast<int64_t>(zlibStream(plain, level).size());
    if (length == target) return size;
    size = static_cast<uint32_t>(size + (int64_t{target} - length));
  }
  ADD_FAILURE() << "no content size compresses to " << target;
  return size;
}

// Temporary files are synced to the disk when wiped; on a memory file system that costs nothing,
// which keeps these multi-megabyte tests quick.
struct TempFilesInMemory {
  TempFilesInMemory() {
    if (platform::realFileSystem().isFolder("/dev/shm")) env.set("TMPDIR", "/dev/shm");
  }
  test::ScopedEnv env;
};

class HiddenStreamTest : public ::testing::Test, private TempFilesInMemory {
 protected:
  HiddenStreamTest() {
    ws.tempFolder = tmp.path() + "/";
    ws.password.take("correct horse battery staple");
  }

  std::string makeFile(const std::string& name, const Bytes& bytes) {
    test::writeAll(src.file(name), bytes);
    return src.file(name);
  }
  // A file of these bytes at the root of the tree.
  void addRootFile(const std::string& name, const Bytes& bytes) {
    ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile(name, bytes)), SourceAddResult::kAdded);
  }
  // Writes the tree's stream; `bits` gets its length in bits.
  bool write(TempFile& stream) { return writeHiddenStream(ws, tree, listener, stream, bits); }
  std::string gatheredFile(const Bytes& bytes) {
    std::string path = work.file("gathered" + std::to_string(++gatheredCount_));
    test::writeAll(path, bytes);
    return path;
  }
  // Decodes a written stream into plain HiddenStream bytes.
  Bytes decode(TempFile& stream) {
    platform::File& gathered = stream.file();
    platform::File decoded = platform::realFileSystem().createTruncate(work.file("decoded"));
    uint64_t length = 0;
    EXPECT_TRUE(decodeHiddenStream(ws, gathered, gathered.size(), listener, decoded, length));
    decoded.close();
    Bytes out = test::readAll(work.file("decoded"));
    EXPECT_EQ(out.size(), length);
    return out;
  }
  // Reads a stream from a gathered file of these bytes, `gatheredBytes` long when not zero.
  bool readGathered(const Bytes& bytes, ExtractionTree& out, uint64_t gatheredBytes = 0) {
    platform::File gathered = platform::realFileSystem().openRead(gatheredFile(bytes));
    TempFile decoded;
    return readHiddenStream(ws, gathered, gatheredBytes ? gatheredBytes : gathered.size(), listener,
                            decoded, out);
  }
  // The reader refuses the bytes as invalid data and leaves no temporary file.
  void expectInvalid(const Bytes& gathered, uint64_t gatheredBytes = 0) {
    reporter.clear();
    ExtractionTree out;
    EXPECT_FALSE(readGathered(gathered, out, gatheredBytes));
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInvalidData});
    EXPECT_EQ(out.fileCount(), 0u);
    EXPECT_TRUE(test::folderNames(tmp.path()).empty());
  }
  bool readBack(TempFile& stream, ExtractionTree& out) {
    TempFile decoded;
    return readHiddenStream(ws, stream.file(), stream.file().size(), listener, decoded, out);
  }
  // Every byte of a temporary file, which no name leads to.
  static Bytes bytesOf(TempFile& file) {
    Bytes out(file.file().size());
    EXPECT_TRUE(file.file().seek(0));
    EXPECT_TRUE(file.file().readExact(out.data(), out.size()));
    return out;
  }
  // Parses plain HiddenStream bytes.
  bool parse(const Bytes& plain, ExtractionTree& out) {
    test::writeAll(work.file("plain"), plain);
    platform::File f = platform::realFileSystem().openRead(work.file("plain"));
    return parseHiddenStream(ws, f, plain.size(), out);
  }
  Bytes contentOf(TempFile& decoded, const ExtractedFile& file) {
    Bytes out(file.size);
    EXPECT_TRUE(decoded.file().seek(file.offset));
    EXPECT_TRUE(decoded.file().readExact(out.data(), out.size()));
    return out;
  }

  test::TempDir src, tmp, work;
  test::RecordingReporter reporter;
  test::FaultyFileSystem files;
  Workspace ws{reporter, Language::kEnglish, files};
  SourceTree tree;
  RecordingListener listener;
  uint32_t bits = 0;

 private:
  int gatheredCount_ = 0;
};

}  // namespace murl::stream_test
