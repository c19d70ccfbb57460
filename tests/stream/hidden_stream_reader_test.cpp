#include "hidden_stream_fixture.h"
#include "platform/memory_file_system.h"
#include "stream/extraction.h"

namespace murl::stream_test {
namespace {

TEST_F(HiddenStreamTest, ChangedBytesAndAWrongPasswordAreInvalidData) {
  addRootFile("t", randomBytes(5000, 4));
  TempFile stream;
  ASSERT_TRUE(write(stream));
  Bytes framed = bytesOf(stream);
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
    appendLe32(shortBlock, check);
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
  auto one = [](int64_t sizeField) {
    Bytes plain = {1, 0};
    appendRecord(plain, "f", {1, 2, 3}, 0x80, sizeField);
    return plain;
  };
  const Bytes whole = one(-1);
  Bytes extra = whole, missing = whole;
  extra.push_back(0);
  missing[0] = 2;
  const Bytes rows[] = {
      one(4), one(0xFFFFFFF0), extra, missing, Bytes(whole.begin(), whole.end() - 4),
      {1}};  // content cut short
  for (const Bytes& plain : rows) {
    reporter.clear();
    ExtractionTree out;
    EXPECT_FALSE(parse(plain, out)) << plain.size();
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInvalidData});
  }
  ExtractionTree out;
  EXPECT_TRUE(parse(whole, out));
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

TEST(ExtractionTree, AttributeLettersKeepTheirOwnOrderAndIgnoreOtherBits) {
  EXPECT_EQ(attributeLetters(0), "");
  EXPECT_EQ(attributeLetters(0x80 | 0x10 | 0x800), "");  // normal, directory, compressed
  EXPECT_EQ(attributeLetters(0x01), "R");
  EXPECT_EQ(attributeLetters(0x20 | 0x100 | 0x01 | 0x04 | 0x02), "HSRTA");
  EXPECT_EQ(attributeLetters(0x20 | 0x02), "HA");
}

// Extraction of a tree whose every file holds one byte into /o of a file system in memory.
struct MemoryExtraction {
  MemoryExtraction() { EXPECT_TRUE(memory.createFolder("/o")); }
  bool extract(const ExtractionTree& tree) {
    platform::File decoded = platform::memoryFile({'x'});
    return Extractor(ws, listener, decoded).extractAll(tree, "/o");
  }
  test::RecordingReporter reporter;
  platform::MemoryFileSystem memory;
  test::FaultyFileSystem files{memory};  // only to act while a file is being written
  Workspace ws{reporter, Language::kEnglish, files};
  RecordingListener listener;
};

TEST(Extraction, RestoresTheReadOnlyAttribute) {
  ExtractionTree tree;
  ASSERT_TRUE(tree.add({}, "r", 1, 0x01, 0));
  ASSERT_TRUE(tree.add({}, "w", 1, 0x20, 0));
  MemoryExtraction run;
  ASSERT_TRUE(run.extract(tree));
  EXPECT_EQ(run.memory.fileAttributes("/o/r"), platform::attr::kReadOnly);
  EXPECT_EQ(run.memory.fileAttributes("/o/w"), platform::attr::kNormal);
}

// A stop raised as a file is about to be copied, and an output folder locked by another handle.
TEST(Extraction, AStopOrABusyOutputFolderWritesNothing) {
  ExtractionTree tree;
  ASSERT_TRUE(tree.add({}, "f", 1, 0, 0));
  MemoryExtraction stopped, busy;
  stopped.listener.onStatus = [&](StatusLabel, const std::string& text) {
    if (!text.empty()) stopped.ws.stop = true;
  };
  EXPECT_FALSE(stopped.extract(tree));
  EXPECT_TRUE(stopped.reporter.shown.empty());
  platform::Folder other = busy.memory.openFolder("/o");
  ASSERT_TRUE(other.lock());
  EXPECT_FALSE(busy.extract(tree));
  EXPECT_EQ(busy.reporter.shownIds(), std::vector<MessageId>{MessageId::kOutputFolderBusy});
  for (auto* run : {&stopped, &busy})
    EXPECT_EQ(run->memory.names(), std::vector<std::string>{"/o"});
}

// Paths of up to 65535 characters are written out; a folder's counts its closing slash. Under
// "/o/", 255 folders of 255 characters take the path to 65283 characters.
TEST(Extraction, PathsOfUpTo65535CharactersAreWritten) {
  const struct {
    size_t lastFolder;  // 0: none past the 255
    size_t fileName;
    MessageId shown;
  } rows[] = {
      {0, 252, MessageId::kExtractionCompleted},
      {0, 253, MessageId::kFileNameTooLong},
      {251, 1, MessageId::kFileNameTooLong},  // the folder is made; its file does not fit
      {252, 1, MessageId::kFolderNameTooLong},
  };
  for (const auto& row : rows) {
    std::vector<std::string> names(255, std::string(255, 'd'));
    if (row.lastFolder != 0) names.emplace_back(row.lastFolder, 'e');
    ExtractionTree tree;
    ASSERT_TRUE(tree.add({names.begin(), names.end()}, std::string(row.fileName, 'f'), 1, 0, 0));
    MemoryExtraction run;
    run.extract(tree);
    EXPECT_EQ(run.reporter.shownIds(), std::vector<MessageId>{row.shown}) << row.fileName;
    if (row.shown != MessageId::kExtractionCompleted) {  // the folders made are taken back
      EXPECT_EQ(run.memory.names(), std::vector<std::string>{"/o"});
    }
  }
}

// A file at the name is asked about before it is replaced, also one that takes the name while the
// extracted file is being written; a folder there cannot be replaced by a file, so it is said at
// once and the folder stays.
TEST(Extraction, WhatHoldsTheNameIsAskedAboutOrRefused) {
  const struct {
    bool folder;        // else a file holding "old"
    bool whileWriting;  // else there before the extraction starts
    bool answer;
    std::vector<uint8_t> left;  // at the name afterwards, for a file
  } rows[] = {
      {false, false, false, {'o', 'l', 'd'}},
      {false, false, true, {'x'}},
      {false, true, false, {'o', 'l', 'd'}},
      {false, true, true, {'x'}},
      {true, false, false, {}},
      {true, true, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.folder) + std::to_string(row.whileWriting) +
                 std::to_string(row.answer));
    ExtractionTree tree;
    ASSERT_TRUE(tree.add({}, "f", 1, 0, 0));
    MemoryExtraction run;
    const auto takeTheName = [&] {
      if (row.folder) return run.memory.createFolder("/o/f");
      return run.memory.createTruncate("/o/f").writeExact("old", 3);
    };
    if (row.whileWriting) {
      run.files.alterWrites([&](uint64_t, uint8_t*, size_t) { EXPECT_TRUE(takeTheName()); });
    } else {
      ASSERT_TRUE(takeTheName());
    }
    run.reporter.answers = {row.answer};
    EXPECT_EQ(run.extract(tree), !row.folder && row.answer);
    EXPECT_EQ(run.reporter.askedIds(),
              row.folder ? std::vector<MessageId>{}
                         : std::vector<MessageId>{MessageId::kFileExistsOverwrite});
    EXPECT_EQ(run.reporter.shownIds(),
              row.folder   ? std::vector<MessageId>{MessageId::kCouldntCreateFile}
              : row.answer ? std::vector<MessageId>{MessageId::kExtractionCompleted}
                           : std::vector<MessageId>{});
    EXPECT_EQ(run.memory.names(), (std::vector<std::string>{"/o", "/o/f"}));
    EXPECT_EQ(run.memory.isFolder("/o/f"), row.folder);
    if (!row.folder) {
      EXPECT_EQ(run.memory.contents("/o/f"), row.left);
    }
  }
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
  platform::File gathered = platform::realFileSystem().openRead(path);
  platform::File decoded = platform::realFileSystem().createTruncate(tmp.file("decoded"));
  uint64_t length = 0;
  EXPECT_FALSE(decodeHiddenStream(ws, gathered, gathered.size(), listener, decoded, length));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInvalidData});
  EXPECT_LE(decoded.size(), kMaxHiddenStreamSize);
  EXPECT_GT(decoded.size(), kMaxHiddenStreamSize - kCodecArea);
}

}  // namespace
}  // namespace murl::stream_test
