#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include "platform/memory_file_system.h"
#include "platform/temp_folder.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace murl::platform {
namespace {

using Bytes = std::vector<uint8_t>;

// One file system under test with an empty folder to work in, and a way to plant a file.
struct Ground {
  virtual ~Ground() = default;
  virtual FileSystem& files() = 0;
  virtual std::string folder() const = 0;
  virtual void plant(const std::string& path, const Bytes& bytes) = 0;
  std::string at(const std::string& name) const { return joinPath(folder(), name); }
};

struct DiskGround : Ground {
  FileSystem& files() override { return realFileSystem(); }
  std::string folder() const override { return dir.path(); }
  void plant(const std::string& path, const Bytes& bytes) override { test::writeAll(path, bytes); }
  test::TempDir dir;
};

struct MemoryGround : Ground {
  MemoryGround() { memory.createFolder("/work"); }
  FileSystem& files() override { return memory; }
  std::string folder() const override { return "/work"; }
  void plant(const std::string& path, const Bytes& bytes) override {
    ASSERT_TRUE(memory.addFile(path, bytes));
  }
  MemoryFileSystem memory;
};

struct GroundKind {
  const char* name;
  std::function<std::unique_ptr<Ground>()> make;
};

// The contract every file system keeps, run on the disk and in memory alike.
class FileSystemContract : public ::testing::TestWithParam<GroundKind> {
 protected:
  FileSystemContract() : ground(GetParam().make()), files(ground->files()) {}
  std::string at(const std::string& name) const { return ground->at(name); }
  Bytes contentOf(const std::string& path) {
    File f = files.openRead(path);
    Bytes out(f.size());
    EXPECT_TRUE(f.readExact(out.data(), out.size()));
    return out;
  }

  std::unique_ptr<Ground> ground;
  FileSystem& files;
};

TEST_P(FileSystemContract, CreateWriteSeekReadAndShortCounts) {
  File f = files.createTruncate(at("a.bin"));
  ASSERT_TRUE(f.isOpen());
  EXPECT_EQ(f.write("abcdef", 6), 6u);
  EXPECT_EQ(f.size(), 6u);
  ASSERT_TRUE(f.seek(2));
  char buf[10] = {};
  EXPECT_EQ(f.read(buf, 10), 4u);  // short count at the end of the file
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(f.position(), 6u);
  ASSERT_TRUE(f.truncate(3));
  EXPECT_EQ(f.size(), 3u);
  f.close();
  EXPECT_FALSE(f.isOpen());
  EXPECT_EQ(f.write("x", 1), 0u);  // a closed file moves nothing
  EXPECT_EQ(contentOf(at("a.bin")), (Bytes{'a', 'b', 'c'}));
  // Truncating creation empties it; opening for writing keeps it.
  files.openReadWrite(at("a.bin")).write("X", 1);
  EXPECT_EQ(contentOf(at("a.bin")), (Bytes{'X', 'b', 'c'}));
  EXPECT_EQ(files.createTruncate(at("a.bin")).size(), 0u);
}

TEST_P(FileSystemContract, OpeningAndCreatingRefuseWhatIsNotAFreeOrRegularFile) {
  ground->plant(at("f"), {1, 2, 3});
  ASSERT_TRUE(files.createFolder(at("sub")));
  const std::function<File()> refused[] = {
      [&] { return files.openRead(at("missing")); },
      [&] { return files.openReadWrite(at("missing")); },
      [&] { return files.openRead(at("sub")); },
      [&] { return files.createTruncate(at("nowhere/x")); },
      [&] { return files.createExclusive(at("f")); },
      [&] { return files.createExclusive(at("sub")); },
      [&] { return files.createAnonymous(at("f")); },
      [&] { return files.createAnonymous(at("nowhere/x.tmp")); },
  };
  for (size_t i = 0; i < std::size(refused); ++i) EXPECT_FALSE(refused[i]().isOpen()) << i;
  EXPECT_EQ(contentOf(at("f")), (Bytes{1, 2, 3}));
  EXPECT_FALSE(files.fileExists(at("sub")));
  EXPECT_FALSE(files.fileExists(at("missing")));
  EXPECT_TRUE(files.fileExists(at("f")));
  EXPECT_TRUE(files.pathTaken(at("f")));
  EXPECT_TRUE(files.pathTaken(at("sub")));
  EXPECT_FALSE(files.pathTaken(at("missing")));
  EXPECT_TRUE(files.createExclusive(at("fresh.tmp")).isOpen());
  EXPECT_TRUE(files.fileExists(at("fresh.tmp")));
}

TEST_P(FileSystemContract, WipeAndDeleteZeroesThenRemoves) {
  std::string path = at("secret.tmp");
  File f = files.createExclusive(path);
  Bytes data(0x400000 + 123, 0xAB);  // spans two wipe pieces
  ASSERT_TRUE(f.writeExact(data.data(), data.size()));
  // A second handle sees the zeros land before the name is removed.
  File watcher = files.openRead(path);
  ASSERT_TRUE(files.wipeAndDelete(f, path));
  EXPECT_FALSE(f.isOpen());
  EXPECT_FALSE(files.pathTaken(path));
  Bytes after(data.size(), 0xFF);
  ASSERT_TRUE(watcher.readExact(after.data(), after.size()));
  EXPECT_EQ(after, Bytes(data.size(), 0));
  // Nothing to wipe: only the name goes, and a missing name is a failure.
  File closed;
  ground->plant(at("left"), {1});
  EXPECT_TRUE(files.wipeAndDelete(closed, at("left")));
  EXPECT_FALSE(files.wipeAndDelete(closed, at("left")));
}

TEST_P(FileSystemContract, AnonymousFilesLeaveNoName) {
  ground->plant(at("taken.tmp"), {7});
  File f = files.createAnonymous(at("free.tmp"));
  ASSERT_TRUE(f.isOpen());
  ASSERT_TRUE(f.writeExact("secret", 6));
  ASSERT_TRUE(f.seek(0));
  char back[6];
  ASSERT_TRUE(f.readExact(back, 6));
  EXPECT_EQ(std::string(back, 6), "secret");
  EXPECT_FALSE(files.pathTaken(at("free.tmp")));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.listFolder(ground->folder(), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "taken.tmp");
  EXPECT_TRUE(wipeFile(f));
  EXPECT_FALSE(f.isOpen());
}

TEST_P(FileSystemContract, NewFilesTakeTheirNameOnlyWhenPublished) {
  ground->plant(at("old"), {9});
  Folder folder = files.openFolder(ground->folder());
  ASSERT_TRUE(folder.isOpen());
  EXPECT_FALSE(files.openFolder(at("old")).isOpen());
  NewFile made = folder.createNew();
  ASSERT_TRUE(made.isOpen());
  ASSERT_TRUE(made.file().writeExact("new", 3));
  EXPECT_EQ(files.pathTaken(at("new")), false);
  EXPECT_FALSE(made.publish("old", false));  // the name is taken and may not be replaced
  EXPECT_TRUE(made.isOpen());
  ASSERT_TRUE(made.setAttributes(attr::kReadOnly));
  ASSERT_TRUE(made.publish("old", true));
  EXPECT_FALSE(made.isOpen());
  EXPECT_EQ(contentOf(at("old")), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(files.fileAttributes(at("old")), attr::kReadOnly);
  // One dropped, one destroyed unnamed: neither leaves a name behind.
  NewFile dropped = folder.createNew();
  ASSERT_TRUE(dropped.file().writeExact("x", 1));
  EXPECT_TRUE(dropped.discard());
  { NewFile forgotten = folder.createNew(); }
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.listFolder(ground->folder(), entries));
  ASSERT_EQ(entries.size(), 1u);
  NewFile fresh = folder.createNew();
  ASSERT_TRUE(fresh.publish("fresh", false));
  EXPECT_TRUE(files.fileExists(at("fresh")));
}

TEST_P(FileSystemContract, FoldersWorkByOneNameAndLockOnce) {
  Folder folder = files.openFolder(ground->folder());
  ASSERT_TRUE(folder.createSubfolder("sub"));
  EXPECT_FALSE(folder.createSubfolder("sub"));
  EXPECT_EQ(folder.kind("sub"), EntryKind::kFolder);
  EXPECT_EQ(folder.kind("missing"), EntryKind::kNone);
  EXPECT_FALSE(folder.openSubfolder("../" + baseName(ground->folder())).isOpen());
  Folder sub = folder.openSubfolder("sub");
  ASSERT_TRUE(sub.isOpen());
  ground->plant(at("sub/f"), {1});
  EXPECT_EQ(sub.kind("f"), EntryKind::kFile);
  EXPECT_EQ(sub.id("f"), files.fileId(at("sub/f")));
  EXPECT_FALSE(folder.removeSubfolder("sub"));  // not empty
  EXPECT_FALSE(files.remove(at("sub")));        // remove takes files only
  ASSERT_TRUE(files.remove(at("sub/f")));
  EXPECT_TRUE(folder.removeSubfolder("sub"));
  EXPECT_FALSE(files.pathTaken(at("sub")));
  // The lock is the folder's, whoever opens it again.
  Folder again = files.openFolder(ground->folder());
  EXPECT_TRUE(folder.lock());
  EXPECT_FALSE(again.lock());
  folder.close();
  EXPECT_TRUE(again.lock());
}

TEST_P(FileSystemContract, ResolvingTakesDotsAway) {
  ASSERT_TRUE(files.createFolder(at("a")));
  const std::string resolved = files.resolvePath(at("a/./../a/."));
  EXPECT_EQ(baseName(resolved), "a");
  EXPECT_EQ(files.fileId(resolved), files.fileId(at("a")));
  EXPECT_EQ(files.resolvePath(at("missing/..x")), "");
}

TEST_P(FileSystemContract, ListingIsSortedAndMarksKinds) {
  ground->plant(at("b.txt"), {1});
  ground->plant(at(".hidden"), {});
  ASSERT_TRUE(files.createFolder(at("A")));
  ASSERT_TRUE(files.createFolder(at("A")));  // already there counts as success
  ASSERT_TRUE(files.createFolder(at("A/inner")));
  ground->plant(at("A/inner/deep"), {1});
  EXPECT_FALSE(files.createFolder(at("b.txt")));
  EXPECT_FALSE(files.createFolder(at("missing/x")));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.listFolder(ground->folder(), entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, ".hidden");
  EXPECT_EQ(entries[0].attributes, attr::kHidden);
  EXPECT_EQ(entries[1].name, "A");
  EXPECT_TRUE(entries[1].isFolder);
  EXPECT_EQ(entries[1].attributes, attr::kDirectory);
  EXPECT_EQ(entries[2].name, "b.txt");
  EXPECT_EQ(entries[2].attributes, attr::kNormal);
  EXPECT_FALSE(files.listFolder(at("b.txt"), entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_TRUE(files.isFolder(at("A/inner/")));
  EXPECT_FALSE(files.isFolder(at("b.txt")));
}

TEST_P(FileSystemContract, ReadOnlyAttributeComesBackAndIdsTellFilesApart) {
  ground->plant(at("f"), {1});
  ground->plant(at("g"), {1});
  ASSERT_TRUE(files.setFileAttributes(at("f"), attr::kReadOnly | attr::kArchive));
  EXPECT_EQ(files.fileAttributes(at("f")), attr::kReadOnly);
  ASSERT_TRUE(files.setFileAttributes(at("f"), attr::kNormal));
  EXPECT_EQ(files.fileAttributes(at("f")), attr::kNormal);
  EXPECT_EQ(files.fileAttributes(at("missing")), attr::kInvalid);
  EXPECT_FALSE(files.setFileAttributes(at("missing"), attr::kNormal));
  EXPECT_EQ(files.fileAttributes(ground->folder()) & attr::kDirectory, attr::kDirectory);
  EXPECT_EQ(files.fileId(at("f")), files.fileId(at("f")));
  EXPECT_NE(files.fileId(at("f")), files.fileId(at("g")));
  EXPECT_FALSE(files.fileId(at("missing")).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileSystemContract,
    ::testing::Values(GroundKind{"Disk", [] { return std::make_unique<DiskGround>(); }},
                      GroundKind{"Memory", [] { return std::make_unique<MemoryGround>(); }}),
    [](const ::testing::TestParamInfo<GroundKind>& kind) { return std::string(kind.param.name); });

TEST(DiskFileSystem, LinksAreSeenThroughButNeverCreatedThrough) {
  test::TempDir dir;
  FileSystem& files = realFileSystem();
  test::writeAll(dir.file("a"), {1});
  ASSERT_EQ(::symlink(dir.file("a").c_str(), dir.file("link").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", dir.file("broken").c_str()), 0);
  ASSERT_EQ(::link(dir.file("a").c_str(), dir.file("hard").c_str()), 0);
  EXPECT_FALSE(files.createExclusive(dir.file("link")).isOpen());
  EXPECT_FALSE(files.createExclusive(dir.file("broken")).isOpen());
  EXPECT_FALSE(files.createAnonymous(dir.file("broken")).isOpen());
  EXPECT_TRUE(files.pathTaken(dir.file("broken")));
  EXPECT_EQ(files.fileId(dir.file("a")), files.fileId(dir.file("link")));
  EXPECT_EQ(files.fileId(dir.file("a")), files.fileId(dir.file("hard")));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.listFolder(dir.path(), entries));
  ASSERT_EQ(entries.size(), 4u);  // a, broken, hard, link
  EXPECT_FALSE(entries[1].isFile || entries[1].isFolder);
  EXPECT_TRUE(entries[3].isFile);
  // A folder never follows a link below it: the link itself is named and replaced.
  Folder folder = files.openFolder(dir.path());
  EXPECT_EQ(folder.kind("link"), EntryKind::kOther);
  EXPECT_EQ(folder.id("link"), files.fileId(dir.file("a")));
  ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0777), 0);
  ASSERT_EQ(::symlink("real", dir.file("folderlink").c_str()), 0);
  EXPECT_FALSE(folder.openSubfolder("folderlink").isOpen());
  NewFile made = folder.createNew();
  ASSERT_TRUE(made.publish("link", true));
  EXPECT_EQ(test::readAll(dir.file("a")), Bytes{1});
  EXPECT_EQ(folder.kind("link"), EntryKind::kFile);
}

TEST(DiskFileSystem, FifosAndDevicesAreRefusedWithoutWaiting) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  // Opening a FIFO to read would wait for a writer for ever; the test would hang.
  EXPECT_FALSE(realFileSystem().openRead(dir.file("fifo")).isOpen());
  EXPECT_FALSE(realFileSystem().openReadWrite(dir.file("fifo")).isOpen());
  EXPECT_FALSE(realFileSystem().openRead("/dev/zero").isOpen());
  EXPECT_FALSE(realFileSystem().fileExists(dir.file("fifo")));
}

TEST(DiskFileSystem, PermissionsFollowTheKindOfFile) {
  test::TempDir dir;
  FileSystem& files = realFileSystem();
  ASSERT_TRUE(files.createExclusive(dir.file("own.tmp")).isOpen());
  struct stat st;
  ASSERT_EQ(::stat(dir.file("own.tmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  test::writeAll(dir.file("f"), {1});
  ASSERT_TRUE(files.setFileAttributes(dir.file("f"), attr::kReadOnly));
  ASSERT_EQ(::stat(dir.file("f").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_TRUE(files.createFolder(dir.file("private"), true));
  ASSERT_EQ(::stat(dir.file("private").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  Folder folder = files.openFolder(dir.path());
  NewFile own = folder.createNew(true);
  ASSERT_TRUE(own.publish("own", false));
  ASSERT_EQ(::stat(dir.file("own").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(MemoryFileSystem, KeepsWhatIsWrittenAndListsEveryName) {
  MemoryFileSystem memory;
  ASSERT_TRUE(memory.createFolder("/t"));
  ASSERT_TRUE(memory.addFile("/t//a", {1, 2}));
  EXPECT_FALSE(memory.addFile("/missing/a", {}));
  EXPECT_FALSE(memory.addFile("/t", {}));
  File f = memory.openReadWrite("/t/a");
  ASSERT_TRUE(f.seek(4));
  ASSERT_TRUE(f.writeExact("z", 1));  // past the end: the gap reads as zeros
  EXPECT_EQ(memory.contents("/t/a"), (Bytes{1, 2, 0, 0, 'z'}));
  EXPECT_FALSE(memory.contents("/t").has_value());
  EXPECT_EQ(memory.names(), (std::vector<std::string>{"/t", "/t/a"}));
  // A read-only file opens for reading only.
  ASSERT_TRUE(memory.setFileAttributes("/t/a", attr::kReadOnly));
  EXPECT_FALSE(memory.openReadWrite("/t/a").isOpen());
  EXPECT_FALSE(memory.createTruncate("/t/a").isOpen());
  EXPECT_TRUE(memory.openRead("/t/a").isOpen());
  // A file too large for memory fails as a full disk would.
  File huge = memory.createTruncate("/t/huge");
  ASSERT_TRUE(huge.seek(~uint64_t{0} - 1));
  EXPECT_EQ(huge.write("ab", 2), 0u);
  EXPECT_FALSE(huge.truncate(~uint64_t{0}));
}

TEST(TempFolder, FollowsTmpdirAndEndsInSlash) {
  test::ScopedEnv env;
  env.set("TMPDIR", "/var/tmp");
  EXPECT_EQ(tempFolder(), "/var/tmp/");
  env.set("TMPDIR", "");
  EXPECT_EQ(tempFolder(), "/tmp/");
}

}  // namespace
}  // namespace murl::platform
