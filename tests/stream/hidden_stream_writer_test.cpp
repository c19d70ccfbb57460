#include "hidden_stream_fixture.h"

namespace murl::stream_test {
namespace {

TEST_F(HiddenStreamTest, OneEmptyFileIsASeventeenByteStreamInItsFrame) {
  addRootFile("a.txt", {});
  TempFile stream;
  ASSERT_TRUE(write(stream));
  Bytes framed = bytesOf(stream);
  EXPECT_EQ(bits, framed.size() * 8);
  uint32_t length = loadLe32(framed.data());
  ASSERT_EQ(framed.size(), length + 8u);
  EXPECT_EQ(loadLe32(framed.data() + 4 + length),
            adler32(1, framed.data() + 4, static_cast<uInt>(length)));
  const Bytes expected = {1, 0, 5, 0, 'a', '.', 't', 'x', 't', 0, 0, 0, 0, 0x80, 0, 0, 0};
  EXPECT_EQ(decode(stream), expected);
}

TEST_F(HiddenStreamTest, TemporaryFilesDrawFreeNamesButLeaveNone) {
  // The name the random source will draw next is taken already: a new one must be drawn, as for
  // a named file, and the planted file left alone.
  RandomSource preview = ws.random;
  std::string planted = drawTempName(preview);
  drawTempName(preview);
  test::writeAll(tmp.file(planted), {42});
  TempFile file;
  ASSERT_TRUE(file.create(ws));
  EXPECT_EQ(ws.random.index(), preview.index());
  ASSERT_TRUE(file.file().writeExact("plain", 5));
  EXPECT_EQ(test::folderNames(tmp.path()), std::vector<std::string>{planted});
  EXPECT_EQ(bytesOf(file), (Bytes{'p', 'l', 'a', 'i', 'n'}));
  EXPECT_TRUE(file.wipe());
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(test::readAll(tmp.file(planted)), Bytes{42});
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
      EXPECT_EQ(tree.addSubfolder(ws, *at, std::string(n, 'd')), SourceAddResult::kAdded);
      at = &at->subfolder(0);
      left -= n + 1;
    }
    EXPECT_EQ(tree.addFile(ws, *at, file), SourceAddResult::kAdded);
  };
  chainOf(65534);
  TempFile stream;
  ASSERT_TRUE(write(stream));
  Bytes plain = decode(stream);
  EXPECT_EQ(loadLe16(plain.data() + 2), 65534u);
  ExtractionTree out;
  EXPECT_TRUE(readBack(stream, out));
  stream.wipe();

  chainOf(65535);
  EXPECT_FALSE(write(stream));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kHidingPathTooLong});
  EXPECT_TRUE(test::folderNames(tmp.path()).empty());
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
        SourceAddResult::kAdded);
    TempFile stream;
    ASSERT_TRUE(write(stream));
    Bytes framed = bytesOf(stream);
    uint32_t expected = target == kCodecArea ? 0x400000 : 0x400000 + 17;
    EXPECT_EQ(loadLe32(framed.data()), expected);
    EXPECT_EQ(bits, (expected + 8) * 8);
    ExtractionTree out;
    ASSERT_TRUE(readBack(stream, out));
    EXPECT_EQ(out.root().files[0].size, size);
  }
}

// Written with workers or without, the same bytes; read back either way, every file at its path
// with its content and attribute word.
TEST_F(HiddenStreamTest, WorkersEncipherTheSameBytesAsTheJobsThreadAloneAndAllReadsBack) {
  struct Row {
    size_t randomSize;  // a root file of random content (stored: about as many stream bytes)
    size_t textSize;    // and a read-only one of text (deflated) in Docs\old
    unsigned workers;
  };
  const Row kRows[] = {
      {0, 0, 1},
      {0, 30000, 2},                      // one short piece
      {kCodecArea - 40, 0, 2},            // one piece and a few bytes
      {kCodecArea + 4096, 100000, 1},     // a piece and a short one
      {3 * kCodecArea + 12345, 5000, 2},  // several pieces, more than the workers
      // count (2) + first record (2 + 1 + 8 + n) + second record's length and path (2 + 10):
      // the second size field starts 2 bytes before the end of the first input area.
      {kCodecArea - 2 - 25, 0x12345, 1},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::to_string(row.randomSize) + " " + std::to_string(row.workers));
    tree.reset();
    addRootFile("r", randomBytes(row.randomSize, 21));
    Bytes text = randomBytes(row.textSize, 22);
    for (auto& b : text) b = static_cast<uint8_t>('a' + b % 5);
    ::unlink(src.file("t").c_str());
    const std::string t = makeFile("t", text);
    ASSERT_EQ(::chmod(t.c_str(), 0444), 0);
    ASSERT_EQ(tree.addSubfolder(ws, tree.root(), "Docs"), SourceAddResult::kAdded);
    ASSERT_EQ(tree.addSubfolder(ws, tree.root().subfolder(0), "old"), SourceAddResult::kAdded);
    ASSERT_EQ(tree.addFile(ws, tree.root().subfolder(0).subfolder(0), t), SourceAddResult::kAdded);
    Bytes streams[2];
    uint16_t indexAfter[2] = {};
    for (unsigned workers : {0U, row.workers}) {
      const int i = workers == 0 ? 0 : 1;
      ws.random.loadPool(embeddedRandomPool());
      ws.random.mixClock(12, 345);
      TempFile stream;
      listener.percents.clear();
      ASSERT_TRUE(writeHiddenStream(ws, tree, listener, stream, bits, workers));
      if (row.randomSize + row.textSize > 0) {
        EXPECT_EQ(listener.percents.back(), 100);  // progress goes by the content read
      }
      streams[i] = bytesOf(stream);
      indexAfter[i] = ws.random.index();
    }
    EXPECT_EQ(streams[0], streams[1]);
    EXPECT_EQ(indexAfter[0], indexAfter[1]);
    test::writeAll(work.file("again"), streams[1]);
    for (unsigned workers : {0U, row.workers}) {
      platform::File gathered = platform::realFileSystem().openRead(work.file("again"));
      ExtractionTree out;
      TempFile decoded;
      ASSERT_TRUE(readHiddenStream(ws, gathered, gathered.size(), listener, decoded, out, workers));
      ASSERT_EQ(out.root().files.size(), 1u);
      EXPECT_EQ(contentOf(decoded, out.root().files[0]).size(), row.randomSize);
      const ExtractionFolder& docs = *out.root().subfolders.at(0);
      const ExtractionFolder& old = *docs.subfolders.at(0);
      EXPECT_EQ(docs.name + "\\" + old.name + "\\" + old.files.at(0).name, "Docs\\old\\t");
      EXPECT_EQ(old.files[0].attributes, 0x01u);
      EXPECT_EQ(contentOf(decoded, old.files[0]), text);
    }
  }
}

// On the job's thread alone and with pieces in flight at the workers: a stop, a failing write or
// a gathered file that cannot be rewound ends writing and reading with at most one message, and
// leaves no file and no thread; so does a tree the writer refuses.
TEST_F(HiddenStreamTest, NoTemporaryFileOrThreadSurvivesAFailureOrAStop) {
  addRootFile("data", randomBytes(2 * kCodecArea + 4096, 5));
  const size_t threadsBefore = threadCount();
  TempFile written;
  ASSERT_TRUE(write(written));
  test::writeAll(work.file("written"), bytesOf(written));
  written.wipe();
  auto fails = [&](bool succeeded, TempFile& made, std::vector<MessageId> shown) {
    EXPECT_FALSE(succeeded);
    EXPECT_FALSE(made.isOpen());
    EXPECT_EQ(reporter.shownIds(), shown);
    EXPECT_TRUE(test::folderNames(tmp.path()).empty());  // temporary files have no name
    EXPECT_EQ(threadCount(), threadsBefore);
    reporter.clear();
    files.heal();
    ws.stop = false;
  };
  auto read = [&](JobListener& l, TempFile& decoded, unsigned workers) {
    platform::File gathered = files.openRead(work.file("written"));
    ExtractionTree out;
    return readHiddenStream(ws, gathered, gathered.size(), l, decoded, out, workers);
  };
  for (unsigned workers : {0U, 2U}) {
    for (uint8_t at : {0, 99}) {
      SCOPED_TRACE(std::to_string(workers) + " workers, stop at " + std::to_string(at));
      RecordingListener stopper;  // stops once the progress reaches `at`: 0 at the first report
      stopper.onProgress = [&](uint8_t percent) {
        if (percent >= at) ws.stop = true;
      };
      TempFile stream, decoded;
      fails(writeHiddenStream(ws, tree, stopper, stream, bits, workers), stream, {});
      fails(read(stopper, decoded, workers), decoded, {});
    }
    for (int writes : {1, 3}) {
      SCOPED_TRACE(std::to_string(workers) + " workers, write " + std::to_string(writes));
      files.failFrom(test::FsCall::kWrite, writes);
      TempFile stream, decoded;
      fails(writeHiddenStream(ws, tree, listener, stream, bits, workers), stream,
            {MessageId::kCouldntWriteTempFile});
      files.failFrom(test::FsCall::kWrite, writes);
      fails(read(listener, decoded, workers), decoded, {MessageId::kCouldntWriteTempFile});
    }
    files.failFrom(test::FsCall::kSeek);
    TempFile decoded;
    fails(read(listener, decoded, workers), decoded, {MessageId::kCouldntReadTempFile});
  }
  TempFile stream;
  ws.stop = true;
  fails(write(stream), stream, {});
  ws.password.clear();
  fails(write(stream), stream, {MessageId::kCompressionError});
  ws.password.take("correct horse battery staple");
  // A source that shrank after it was chosen, and one that went away.
  test::writeAll(src.file("data"), {1, 2});
  fails(write(stream), stream, {MessageId::kCouldntReadFile});
  std::string gone = makeFile("gone", {1});
  ASSERT_EQ(tree.addFile(ws, tree.root(), gone), SourceAddResult::kAdded);
  ASSERT_TRUE(tree.removeFile(tree.root(), 0));
  ASSERT_EQ(::unlink(gone.c_str()), 0);
  fails(write(stream), stream, {MessageId::kCouldntOpenFile});
  // What the reader would refuse: the largest content a tree takes plus the record headers is
  // past the limit; a backslash would split a name and a control character is not one.
  std::string big = src.file("big");
  test::writeAll(big, {});
  ASSERT_EQ(::truncate(big.c_str(), kMaxContentSize), 0);
  for (const auto& [path, shown] : {std::pair{big, MessageId::kHiddenStreamTooLong},
                                    {makeFile("back\\slash", {1}), MessageId::kHiddenNameUnusable},
                                    {makeFile("tab\tname", {1}), MessageId::kHiddenNameUnusable}}) {
    tree.reset();
    ASSERT_EQ(tree.addFile(ws, tree.root(), path), SourceAddResult::kAdded);
    fails(write(stream), stream, {shown});
  }
}

}  // namespace
}  // namespace murl::stream_test
