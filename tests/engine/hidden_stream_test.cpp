#include "engine/hidden_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <random>

#include "platform/folders.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace murl {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }

Bytes randomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(gen());
  return out;
}

// Compresses a HiddenStream in input areas as the writer does; the whole zlib stream.
Bytes zlibStream(const Bytes& plain, uint8_t level) {
  Bytes buffer(kCipherBlockSize), out;
  Compressor c(buffer);
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
Bytes frame(const Bytes& compressed, const Password& password) {
  RandomSource random;
  Bytes out(4), piece(kCipherBlockSize), scratch(kCipherBlockSize);
  for (size_t at = 0; at < compressed.size(); at += kCodecArea) {
    size_t n = std::min(kCodecArea, compressed.size() - at);
    std::copy_n(compressed.begin() + at, n, piece.begin());
    EXPECT_TRUE(encipherBlock(piece.data(), n, scratch.data(), password, random));
    out.insert(out.end(), piece.begin(), piece.begin() + n + kCipherOverhead);
  }
  uint32_t length = static_cast<uint32_t>(out.size() - 4);
  uint32_t check = static_cast<uint32_t>(adler32(1, out.data() + 4, length));
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(length >> (8 * i));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(check >> (8 * i)));
  return out;
}

// One HiddenStream record.
void appendRecord(Bytes& out, const std::string& path, const Bytes& content,
                  uint32_t attributes = 0x80, int64_t sizeField = -1) {
  uint32_t size = sizeField < 0 ? static_cast<uint32_t>(content.size()) : uint32_t(sizeField);
  out.push_back(static_cast<uint8_t>(path.size()));
  out.push_back(static_cast<uint8_t>(path.size() >> 8));
  out.insert(out.end(), path.begin(), path.end());
  for (uint32_t v : {size, attributes}) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  out.insert(out.end(), content.begin(), content.end());
}

// The content size (taken from the start of `pool`) whose one-file HiddenStream "r" compresses
// to exactly `target` bytes; random content is stored, so sizes and lengths move together.
uint32_t contentSizeForCompressedLength(const Bytes& pool, uint32_t target, uint8_t level,
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

struct RecordingListener : JobListener {
  void progress(uint8_t percent) override { percents.push_back(percent); }
  std::vector<uint8_t> percents;
};

// Temporary files are synced to the disk when wiped; on a memory file system that costs nothing,
// which keeps these multi-megabyte tests quick. Restores TMPDIR afterwards.
class MemoryTempFolder {
 public:
  MemoryTempFolder() {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
    if (platform::isFolder("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
  }
  ~MemoryTempFolder() {
    if (saved_.empty()) {
      ::unsetenv("TMPDIR");
    } else {
      ::setenv("TMPDIR", saved_.c_str(), 1);
    }
  }

 private:
  std::string saved_;
};

class HiddenStreamTest : public ::testing::Test, private MemoryTempFolder {
 protected:
  HiddenStreamTest() {
    ws.tempFolder = tmp.path() + "/";
    ws.password.take("correct horse battery staple");
  }
  ~HiddenStreamTest() override { platform::injectWriteFailureAfter(-1); }

  std::string makeFile(const std::string& name, const Bytes& bytes) {
    test::writeAll(src.file(name), bytes);
    return src.file(name);
  }
  std::string gatheredFile(const Bytes& bytes) {
    std::string path = work.file("gathered" + std::to_string(++gatheredCount_));
    test::writeAll(path, bytes);
    return path;
  }
  // Decodes a written stream into plain HiddenStream bytes.
  Bytes decode(TempFile& stream) {
    platform::File gathered = platform::File::openRead(stream.path());
    platform::File decoded = platform::File::createTruncate(work.file("decoded"));
    uint64_t length = 0;
    EXPECT_TRUE(decodeHiddenStream(ws, gathered, gathered.size(), listener, decoded, length));
    decoded.close();
    Bytes out = test::readAll(work.file("decoded"));
    EXPECT_EQ(out.size(), length);
    return out;
  }
  bool readGathered(const std::string& path, ExtractionTree& out, TempFile* keep = nullptr,
                    uint64_t gatheredBytes = 0) {
    platform::File gathered = platform::File::openRead(path);
    TempFile decoded;
    return readHiddenStream(ws, gathered, gatheredBytes ? gatheredBytes : gathered.size(), listener,
                            keep ? *keep : decoded, out);
  }
  bool readGathered(const Bytes& bytes, ExtractionTree& out, uint64_t gatheredBytes = 0) {
    return readGathered(gatheredFile(bytes), out, nullptr, gatheredBytes);
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
  bool readBack(TempFile& stream, ExtractionTree& out, TempFile* keep = nullptr) {
    return readGathered(stream.path(), out, keep);
  }
  // Parses plain HiddenStream bytes.
  bool parse(const Bytes& plain, ExtractionTree& out) {
    test::writeAll(work.file("plain"), plain);
    platform::File f = platform::File::openRead(work.file("plain"));
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
  Workspace ws{reporter, Language::kEnglish};
  SourceTree tree;
  RecordingListener listener;

 private:
  int gatheredCount_ = 0;
};

TEST_F(HiddenStreamTest, OneEmptyFileIsThe17ByteStreamFramedAsSpecified) {
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("a.txt", {})), AddResult::kAdded);
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  Bytes framed = test::readAll(stream.path());
  EXPECT_EQ(bits, framed.size() * 8);
  uint32_t length = le32(framed.data());
  ASSERT_EQ(framed.size(), length + 8u);
  EXPECT_EQ(le32(framed.data() + 4 + length),
            adler32(1, framed.data() + 4, static_cast<uInt>(length)));
  // One piece: its deciphered bytes are the zlib stream, with the "Medium" header.
  Bytes piece(framed.begin() + 4, framed.end() - 4);
  piece.resize(piece.size() + 16);
  Bytes scratch(piece.size());
  ASSERT_TRUE(decipherBlock(piece.data(), length, scratch.data(), ws.password));
  EXPECT_EQ(piece[0], 0x78);
  EXPECT_EQ(piece[1], 0x9C);
  const Bytes expected = {1, 0, 5, 0, 'a', '.', 't', 'x', 't', 0, 0, 0, 0, 0x80, 0, 0, 0};
  EXPECT_EQ(decode(stream), expected);
  ExtractionTree out;
  ASSERT_TRUE(readBack(stream, out));
  ASSERT_EQ(out.root().files.size(), 1u);
  EXPECT_EQ(out.root().files[0].name, "a.txt");
  EXPECT_EQ(out.root().files[0].attributes, 0x80u);
  EXPECT_EQ(listener.percents.back(), 100);
}

TEST_F(HiddenStreamTest, NestedFoldersGiveBackslashPathsAndEmptyFoldersVanish) {
  ASSERT_TRUE(platform::createFolder(src.file("docs")));
  ASSERT_TRUE(platform::createFolder(src.file("docs/img")));
  ASSERT_TRUE(platform::createFolder(src.file("docs/none")));
  makeFile("docs/img/name", {1, 2, 3});
  makeFile("docs/top", {4});
  ASSERT_EQ(tree.addSubfolder(ws, tree.root(), "docs"), AddResult::kAdded);
  bool added = false;
  ASSERT_EQ(tree.scanFolder(ws, tree.root().subfolder(0), src.file("docs"), added),
            AddResult::kAdded);
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  Bytes plain = decode(stream);
  std::string text(plain.begin(), plain.end());
  EXPECT_NE(text.find("docs\\top"), std::string::npos);
  EXPECT_NE(text.find("docs\\img\\name"), std::string::npos);
  EXPECT_EQ(text.find("none"), std::string::npos);
  ExtractionTree out;
  ASSERT_TRUE(readBack(stream, out));
  ASSERT_EQ(out.root().subfolders.size(), 1u);
  const ExtractionFolder& docs = *out.root().subfolders[0];
  EXPECT_EQ(docs.name, "docs");
  ASSERT_EQ(docs.subfolders.size(), 1u);  // the empty folder is not carried
  EXPECT_EQ(docs.subfolders[0]->files[0].name, "name");
  EXPECT_EQ(docs.subfolders[0]->files[0].size, 3u);
  EXPECT_EQ(docs.files[0].name, "top");
}

TEST_F(HiddenStreamTest, PathOf65534BytesIsCarriedAnd65535Refused) {
  std::string file = makeFile("f", {9});
  // Folder names of at most 255 bytes, each followed by "\", then the 1-byte file name.
  auto chainOf = [&](uint32_t pathLength) {
    tree.reset();
    SourceFolder* at = &tree.root();
    for (uint32_t left = pathLength - 1; left > 0;) {
      uint32_t n = std::min<uint32_t>(255, left - 1);
      if (left - (n + 1) == 1) --n;  // never leave a lone byte that cannot be a name plus "\"
      EXPECT_EQ(tree.addSubfolder(ws, *at, std::string(n, 'd')), AddResult::kAdded);
      at = &at->subfolder(0);
      left -= n + 1;
    }
    EXPECT_EQ(tree.addFile(ws, *at, file), AddResult::kAdded);
  };
  chainOf(65534);
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  Bytes plain = decode(stream);
  EXPECT_EQ(le16(plain.data() + 2), 65534u);
  ExtractionTree out;
  EXPECT_TRUE(readBack(stream, out));
  stream.wipe();

  chainOf(65535);
  EXPECT_FALSE(writeHiddenStream(ws, tree, listener, stream, bits));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kHidingPathTooLong});
  EXPECT_TRUE(test::folderNames(tmp.path()).empty());
}

TEST_F(HiddenStreamTest, SizeFieldStraddlingTheInputAreaIsCarriedWhole) {
  // count (2) + first record (2 + 1 + 8 + n) + second record's length and name (2 + 1): the
  // second size field starts 2 bytes before the end of the first input area.
  const uint32_t n = static_cast<uint32_t>(kCodecArea) - 2 - 16;
  Bytes first = randomBytes(n, 1), second = randomBytes(0x12345, 2);
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("a", first)), AddResult::kAdded);
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("b", second)), AddResult::kAdded);
  ws.options.compressionLevel = 0;
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  ExtractionTree out;
  TempFile decoded;
  ASSERT_TRUE(readBack(stream, out, &decoded));
  ASSERT_EQ(out.root().files.size(), 2u);
  const ExtractedFile& b = out.root().files[1];
  EXPECT_EQ(b.size, second.size());
  EXPECT_EQ(b.offset, kCodecArea + 2 + 4);
  EXPECT_EQ(contentOf(decoded, b), second);
  EXPECT_EQ(contentOf(decoded, out.root().files[0]), first);
}

TEST_F(HiddenStreamTest, CompressedLengthsOnAPieceBoundary) {
  // Random content is stored, so its compressed length moves one for one with its size: find
  // the sizes whose zlib streams are exactly 0x3FFFF0 and 0x3FFFF1 bytes long.
  Bytes pool = randomBytes(kCodecArea, 3);
  uint32_t size = static_cast<uint32_t>(kCodecArea) - 100;
  for (uint32_t target : {uint32_t(kCodecArea), uint32_t(kCodecArea + 1)}) {
    SCOPED_TRACE(target);
    size = contentSizeForCompressedLength(pool, target, ws.options.compressionLevel, size + 1);
    tree.reset();
    ASSERT_EQ(
        tree.addFile(ws, tree.root(), makeFile("r", Bytes(pool.begin(), pool.begin() + size))),
        AddResult::kAdded);
    TempFile stream;
    uint32_t bits = 0;
    ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
    Bytes framed = test::readAll(stream.path());
    uint32_t expected = target == kCodecArea ? 0x400000 : 0x400000 + 17;
    EXPECT_EQ(le32(framed.data()), expected);
    EXPECT_EQ(bits, (expected + 8) * 8);
    ExtractionTree out;
    ASSERT_TRUE(readBack(stream, out));
    EXPECT_EQ(out.root().files[0].size, size);
  }
}

TEST_F(HiddenStreamTest, ChangedBytesAndAWrongPasswordAreInvalidData) {
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("t", randomBytes(5000, 4))), AddResult::kAdded);
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  Bytes framed = test::readAll(stream.path());
  stream.wipe();
  Bytes changed = framed;
  changed[4 + 2000] ^= 0x01;
  expectInvalid(changed);
  Bytes badCheck = framed;
  badCheck[framed.size() - 1] ^= 0x80;  // the blocks decode, only the check differs
  expectInvalid(badCheck);
  ws.password.take("another password of ours");
  expectInvalid(framed);
}

TEST_F(HiddenStreamTest, DecodeRefusesImpossibleLengthsAndShortLastBlocks) {
  Bytes plain = {1, 0};
  appendRecord(plain, "x", {1, 2, 3});
  Bytes good = frame(zlibStream(plain, 3), ws.password);
  ExtractionTree out;
  ASSERT_TRUE(readGathered(good, out));
  expectInvalid(Bytes(good.begin(), good.begin() + 7));
  expectInvalid(good, good.size() - 1);  // L + 8 > G
  Bytes huge = good;
  huge[0] = 0xF8, huge[1] = 0xFF, huge[2] = 0xFF, huge[3] = 0x1F;  // L = 0x1FFFFFF8
  expectInvalid(huge, 0x20000000);
  expectInvalid({0, 0, 0, 0, 1, 0, 0, 0});  // no block at all
  for (uint8_t length : {5, 16}) {          // shorter than one byte of data plus 16
    Bytes shortBlock = {length, 0, 0, 0};
    shortBlock.resize(4 + length, 0x55);
    uint32_t check = static_cast<uint32_t>(adler32(1, shortBlock.data() + 4, length));
    for (int i = 0; i < 4; ++i) shortBlock.push_back(static_cast<uint8_t>(check >> (8 * i)));
    expectInvalid(shortBlock);
  }
  // Deciphered bytes after the end of the zlib stream in the last block are ignored.
  Bytes padded = zlibStream(plain, 3);
  padded.insert(padded.end(), 30, 0xEE);
  EXPECT_TRUE(readGathered(frame(padded, ws.password), out));
  EXPECT_EQ(out.fileCount(), 1u);
}

TEST_F(HiddenStreamTest, ParseRefusesPathsThatLeaveTheFolderOrCannotBeNames) {
  for (std::string path :
       {std::string("a\0b", 4), std::string("a\\"), std::string("a\\\\b"), std::string("\\a"),
        std::string("."), std::string("..\\x"), std::string("a\\.\\b"), std::string("a/b"),
        std::string("a\x01"), std::string("a\x7F"), std::string(), std::string(257, 'c')}) {
    SCOPED_TRACE(path);
    Bytes plain = {1, 0};
    appendRecord(plain, path, {7});
    reporter.clear();
    ExtractionTree out;
    EXPECT_FALSE(parse(plain, out));
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInvalidData});
  }
  // Names that look odd but stay inside the folder are kept as they are.
  Bytes plain = {4, 0};
  appendRecord(plain, std::string(256, 'c'), {1});
  appendRecord(plain, "Docs\\a.txt", {2, 2});
  appendRecord(plain, "docs\\b.txt", {}, 0);
  appendRecord(plain, "Docs\\...", {3});
  ExtractionTree out;
  ASSERT_TRUE(parse(plain, out));
  ASSERT_EQ(out.root().subfolders.size(), 2u);  // names compare case-sensitively
  const ExtractionFolder& docs = *out.root().subfolders[0];
  EXPECT_EQ(docs.name, "Docs");
  ASSERT_EQ(docs.files.size(), 2u);
  EXPECT_EQ(docs.files[1].name, "...");
  EXPECT_EQ(out.root().subfolders[1]->files[0].attributes, 0u);
  EXPECT_EQ(docs.files[0].offset, 2u + (2 + 256 + 8 + 1) + 2 + 10 + 8);
  EXPECT_EQ(out.fileCount(), 4u);
  EXPECT_EQ(out.totalSize(), 4u);
}

TEST_F(HiddenStreamTest, ParseRefusesRecordsThatDoNotAddUp) {
  auto refused = [&](const Bytes& plain) {
    reporter.clear();
    ExtractionTree out;
    return !parse(plain, out) &&
           reporter.shownIds() == std::vector<MessageId>{MessageId::kInvalidData};
  };
  Bytes one = {1, 0};
  appendRecord(one, "f", {1, 2, 3});
  Bytes past = {1, 0}, overflow = {1, 0}, extra = one, missing = one;
  appendRecord(past, "f", {1, 2, 3}, 0x80, 4);
  appendRecord(overflow, "f", {1, 2, 3}, 0x80, 0xFFFFFFF0);
  extra.push_back(0);
  missing[0] = 2;
  EXPECT_TRUE(refused(past));
  EXPECT_TRUE(refused(overflow));
  EXPECT_TRUE(refused(extra));
  EXPECT_TRUE(refused(missing));
  EXPECT_TRUE(refused(Bytes(one.begin(), one.end() - 4)));  // content cut short
  EXPECT_TRUE(refused({1}));
  EXPECT_FALSE(refused(one));
}

TEST(ExtractionTree, RefusesA65536thSubfolder) {
  ExtractionTree tree;
  for (uint32_t i = 0; i < ExtractionTree::kMaxSubfolders; ++i) {
    std::string name = std::to_string(i);
    ASSERT_TRUE(tree.add({name}, "f", 1, 0, i));
  }
  std::string again = "7";
  EXPECT_TRUE(tree.add({again}, "g", 1, 0, 0));  // an existing folder is found, not added
  std::string more = "one more";
  EXPECT_FALSE(tree.add({more}, "f", 1, 0, 0));
  EXPECT_EQ(tree.fileCount(), 65536u);
}

TEST_F(HiddenStreamTest, ReaderStopsOnceTheDecodedTotalPassesTheLimit) {
  // A zlib stream of 512 MiB of zeros made of repeated sync-flushed areas: after the first
  // area the compressed bytes of each area are the same, so the stream stays small.
  Bytes zeros(kCodecArea, 0);
  z_stream zs{};
  ASSERT_EQ(deflateInit(&zs, 1), Z_OK);
  std::vector<Bytes> areas;
  for (int i = 0; i < 3; ++i) {
    Bytes out(kCodecArea);
    zs.next_in = zeros.data();
    zs.avail_in = static_cast<uInt>(zeros.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    ASSERT_EQ(deflate(&zs, Z_SYNC_FLUSH), Z_OK);
    ASSERT_EQ(zs.avail_in, 0u);
    out.resize(out.size() - zs.avail_out);
    areas.push_back(out);
  }
  deflateEnd(&zs);
  ASSERT_EQ(areas[1], areas[2]);
  Bytes compressed = areas[0];
  for (int i = 1; i < 128; ++i)
    compressed.insert(compressed.end(), areas[1].begin(), areas[1].end());
  std::string path = gatheredFile(frame(compressed, ws.password));
  platform::File gathered = platform::File::openRead(path);
  platform::File decoded = platform::File::createTruncate(tmp.file("decoded"));
  uint64_t length = 0;
  EXPECT_FALSE(decodeHiddenStream(ws, gathered, gathered.size(), listener, decoded, length));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInvalidData});
  EXPECT_LE(decoded.size(), kMaxHiddenStreamSize);
  EXPECT_GT(decoded.size(), kMaxHiddenStreamSize - kCodecArea);
}

TEST_F(HiddenStreamTest, WriterRefusesAStreamTheReaderWouldRefuse) {
  // The largest content a tree takes, plus the record headers, is past the limit.
  std::string big = src.file("big");
  test::writeAll(big, {});
  ASSERT_EQ(::truncate(big.c_str(), kMaxContentSize), 0);
  ASSERT_EQ(tree.addFile(ws, tree.root(), big), AddResult::kAdded);
  TempFile stream;
  uint32_t bits = 0;
  EXPECT_FALSE(writeHiddenStream(ws, tree, listener, stream, bits));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kHiddenStreamTooLong});
  EXPECT_TRUE(test::folderNames(tmp.path()).empty());
}

TEST_F(HiddenStreamTest, WriterRefusesNamesTheReaderWouldSplitOrRefuse) {
  for (const char* name : {"back\\slash", "tab\tname"}) {
    SCOPED_TRACE(name);
    tree.reset();
    reporter.clear();
    ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile(name, {1})), AddResult::kAdded);
    TempFile stream;
    uint32_t bits = 0;
    EXPECT_FALSE(writeHiddenStream(ws, tree, listener, stream, bits));
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kHiddenNameUnusable});
    EXPECT_TRUE(test::folderNames(tmp.path()).empty());
  }
}

struct StoppingListener : JobListener {
  explicit StoppingListener(Workspace& w) : ws(w) {}
  void progress(uint8_t) override { ws.stop = true; }
  Workspace& ws;
};

TEST_F(HiddenStreamTest, NoTemporaryFileSurvivesAFailureOrAStop) {
  std::string gone = makeFile("gone", {1});
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("data", randomBytes(100000, 5))),
            AddResult::kAdded);
  auto fails = [&](JobListener& l, std::vector<MessageId> shown) {
    reporter.clear();
    TempFile stream;
    uint32_t bits = 0;
    EXPECT_FALSE(writeHiddenStream(ws, tree, l, stream, bits));
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(reporter.shownIds(), shown);
    EXPECT_TRUE(test::folderNames(tmp.path()).empty());
    platform::injectWriteFailureAfter(-1);
    ws.stop = false;
  };
  for (int writes : {0, 1, 2}) {
    SCOPED_TRACE(writes);
    platform::injectWriteFailureAfter(writes);
    fails(listener, {MessageId::kCouldntWriteTempFile});
  }
  ws.stop = true;
  fails(listener, {});
  StoppingListener stopper(ws);
  fails(stopper, {});
  ws.password.clear();
  fails(listener, {MessageId::kCompressionError});
  ws.password.take("correct horse battery staple");

  // A source that shrank after it was chosen, and one that went away.
  test::writeAll(src.file("data"), {1, 2});
  fails(listener, {MessageId::kCouldntReadFile});
  ASSERT_EQ(tree.addFile(ws, tree.root(), gone), AddResult::kAdded);
  ASSERT_TRUE(tree.removeFile(tree.root(), 0));
  ASSERT_EQ(::unlink(gone.c_str()), 0);
  fails(listener, {MessageId::kCouldntOpenFile});

  // The reader: stopped, and failing to write the decoded file.
  Bytes plain = {1, 0};
  appendRecord(plain, "x", randomBytes(1000, 6));
  Bytes good = frame(zlibStream(plain, 3), ws.password);
  ExtractionTree out;
  ws.stop = true;
  reporter.clear();
  EXPECT_FALSE(readGathered(good, out));
  EXPECT_TRUE(reporter.shown.empty());
  ws.stop = false;
  platform::injectWriteFailureAfter(0);
  EXPECT_FALSE(readGathered(good, out));
  platform::injectWriteFailureAfter(-1);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntWriteTempFile});
  EXPECT_TRUE(test::folderNames(tmp.path()).empty());
}

TEST_F(HiddenStreamTest, RealFolderRoundTripRestoresEveryFileAndAttributeWord) {
  std::mt19937 gen(11);
  std::vector<std::string> folders = {""};
  for (int i = 0; i < 12; ++i) {
    std::string parent = folders[gen() % folders.size()];
    std::string name = (gen() % 4 == 0 ? ".F" : "F") + std::to_string(i);
    std::string folder = parent.empty() ? name : parent + "/" + name;
    ASSERT_TRUE(platform::createFolder(src.file(folder)));
    folders.push_back(folder);
  }
  for (int i = 0; i < 320; ++i) {
    std::string folder = folders[gen() % folders.size()];
    std::string name = (i % 17 == 0 ? ".h" : (i % 2 ? "Bin" : "text")) + std::to_string(i);
    size_t size = i % 9 == 0 ? 0 : gen() % 30000;
    Bytes content = randomBytes(size, static_cast<uint32_t>(i));
    if (i % 2 == 0) {
      for (auto& b : content) b = static_cast<uint8_t>('a' + b % 6);  // compressible text
    }
    std::string path = makeFile(folder.empty() ? name : folder + "/" + name, content);
    if (i % 5 == 0) {
      ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    }
  }
  bool added = false;
  ASSERT_EQ(tree.scanFolder(ws, tree.root(), src.path(), added), AddResult::kAdded);
  ASSERT_EQ(tree.fileCount(), 320u);
  TempFile stream;
  uint32_t bits = 0;
  ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits));
  EXPECT_EQ(listener.percents.back(), 100);
  ExtractionTree out;
  TempFile decoded;
  ASSERT_TRUE(readBack(stream, out, &decoded));
  EXPECT_EQ(out.fileCount(), 320u);
  EXPECT_EQ(out.totalSize(), tree.totalSize());
  // Walk the rebuilt tree and compare each file with its original.
  size_t compared = 0;
  std::vector<std::pair<const ExtractionFolder*, std::string>> pending = {{&out.root(), ""}};
  while (!pending.empty()) {
    auto [folder, path] = pending.back();
    pending.pop_back();
    for (const auto& file : folder->files) {
      std::string original = src.file(path + file.name);
      EXPECT_EQ(contentOf(decoded, file), test::readAll(original)) << original;
      EXPECT_EQ(file.attributes, reduceAttributes(platform::fileAttributes(original)));
      ++compared;
    }
    for (const ExtractionFolder* sub : folder->subfolders) {
      pending.emplace_back(sub, path + sub->name + "/");
    }
  }
  EXPECT_EQ(compared, 320u);
}

}  // namespace
}  // namespace murl
