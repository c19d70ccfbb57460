#include "support/faulty_file_system.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/memory_file_system.h"

namespace murl::test {
namespace {

using platform::File;

class FaultyFileSystemTest : public ::testing::Test {
 protected:
  FaultyFileSystemTest() {
    memory.createFolder("/t");
    memory.addFile("/t/a", {'a'});
  }
  platform::MemoryFileSystem memory;
  FaultyFileSystem files{memory};
};

TEST_F(FaultyFileSystemTest, ReadsAndWritesFailFromTheNthOnOverEveryFileItOpened) {
  File a = files.openReadWrite("/t/a");  // opened before the failure is set: counted all the same
  files.failFrom(FsCall::kWrite, 2);
  EXPECT_EQ(a.write("1", 1), 1u);
  EXPECT_EQ(a.write("2", 1), 0u);
  EXPECT_EQ(files.createTruncate("/t/b").write("3", 1), 0u);
  EXPECT_EQ(files.calls(FsCall::kWrite), 3u);
  uint8_t byte = 0;
  ASSERT_TRUE(a.seek(0));
  EXPECT_EQ(a.read(&byte, 1), 1u);  // reads are another kind
  EXPECT_EQ(byte, '1');
  files.failFrom(FsCall::kRead);
  EXPECT_EQ(a.read(&byte, 1), 0u);
  files.heal();
  EXPECT_EQ(a.write("4", 1), 1u);
  EXPECT_EQ(a.read(&byte, 0), 0u);
  EXPECT_EQ(memory.contents("/t/a"), (std::vector<uint8_t>{'1', '4'}));
}

TEST_F(FaultyFileSystemTest, EveryOtherKindFailsWithoutReachingTheFilesBelow) {
  struct Row {
    FsCall call;
    std::function<bool()> succeeds;
  };
  std::vector<platform::FolderEntry> entries;
  platform::Folder folder = files.openFolder("/t");
  const auto startedAndNamed = [&folder] {
    platform::NewFile made = folder.createNew();
    return made.isOpen() && made.publish("e", false);
  };
  const Row rows[] = {
      {FsCall::kOpen, [&] { return files.openRead("/t/a").isOpen(); }},
      {FsCall::kOpen, [&] { return files.openReadWrite("/t/a").isOpen(); }},
      {FsCall::kCreate, [&] { return files.createTruncate("/t/c").isOpen(); }},
      {FsCall::kCreate, [&] { return files.createExclusive("/t/c").isOpen(); }},
      {FsCall::kCreate, [&] { return files.createAnonymous("/t/c").isOpen(); }},
      {FsCall::kCreate, startedAndNamed},
      {FsCall::kCreateFolder, [&] { return files.createFolder("/t/d"); }},
      {FsCall::kCreateFolder, [&] { return folder.createSubfolder("d"); }},
      {FsCall::kRename, [&] { return files.rename("/t/a", "/t/c"); }},
      {FsCall::kRename, startedAndNamed},
      {FsCall::kListFolder, [&] { return files.listFolder("/t", entries) || !entries.empty(); }},
      {FsCall::kSeek,
       [&] {
         File a = files.openRead("/t/a");
         return a.seek(1) || a.position() != 0;
       }},
      {FsCall::kTruncate, [&] { return files.openReadWrite("/t/a").truncate(0); }},
  };
  const auto before = memory.names();
  for (const Row& row : rows) {
    files.failFrom(row.call);
    EXPECT_FALSE(row.succeeds()) << static_cast<int>(row.call);
    files.heal();
  }
  EXPECT_EQ(memory.names(), before);
  EXPECT_EQ(memory.contents("/t/a"), std::vector<uint8_t>{'a'});
  // Questions about names never fail.
  for (FsCall call : {FsCall::kOpen, FsCall::kCreate}) files.failFrom(call);
  EXPECT_TRUE(files.fileExists("/t/a"));
  EXPECT_TRUE(files.pathTaken("/t"));
  EXPECT_TRUE(files.isFolder("/t"));
  EXPECT_TRUE(files.fileId("/t/a").has_value());
  EXPECT_EQ(folder.kind("a"), platform::EntryKind::kFile);
}

}  // namespace
}  // namespace murl::test
