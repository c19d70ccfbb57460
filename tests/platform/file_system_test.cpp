#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include "platform/memory_file_system.h"
#include "platform/temp_folder.h"
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

TEST_P(FileSystemContract, OpeningRefusesMissingFilesAndFolders) {
  ASSERT_TRUE(files.createFolder(at("sub")));
  EXPECT_FALSE(files.openRead(at("missing")).isOpen());
  EXPECT_FALSE(files.openReadWrite(at("missing")).isOpen());
  EXPECT_FALSE(files.openRead(at("sub")).isOpen());
  EXPECT_FALSE(files.fileExists(at("sub")));
  EXPECT_FALSE(files.fileExists(at("missing")));
  EXPECT_FALSE(files.createTruncate(at("nowhere/x")).isOpen());
  ground->plant(at("f"), {1});
  EXPECT_TRUE(files.fileExists(at("f")));
  EXPECT_TRUE(files.pathTaken(at("f")));
  EXPECT_TRUE(files.pathTaken(at("sub")));
  EXPECT_FALSE(files.pathTaken(at("missing")));
}

TEST_P(FileSystemContract, ExclusiveCreationNeverOpensAnExistingName) {
  ground->plant(at("planted"), {1, 2, 3});
  ASSERT_TRUE(files.createFolder(at("sub")));
  EXPECT_FALSE(files.createExclusive(at("planted")).isOpen());
  EXPECT_FALSE(files.createExclusive(at("sub")).isOpen());
  EXPECT_EQ(contentOf(at("planted")), (Bytes{1, 2, 3}));
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

TEST_P(FileSystemContract, APartFileBesideTakesTheNameWhenRenamed) {
  ground->plant(at("target"), {9});
  std::string part;
  File f = files.createBeside(at("target"), part);
  ASSERT_TRUE(f.isOpen());
  EXPECT_EQ(part.rfind(ground->folder() + "/", 0), 0u) << part;
  EXPECT_NE(part, at("target"));
  std::string second;
  EXPECT_TRUE(files.createBeside(at("target"), second).isOpen());
  EXPECT_NE(second, part);
  ASSERT_TRUE(f.writeExact("new", 3));
  f.close();
  ASSERT_TRUE(files.rename(part, at("target")));
  EXPECT_EQ(contentOf(at("target")), (Bytes{'n', 'e', 'w'}));
  EXPECT_FALSE(files.pathTaken(part));
  EXPECT_FALSE(files.rename(part, at("target")));
  EXPECT_TRUE(files.remove(second));
  EXPECT_FALSE(files.remove(second));
  EXPECT_FALSE(files.createBeside(at("nowhere/target"), part).isOpen());
  EXPECT_TRUE(part.empty());
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

TEST_P(FileSystemContract, ReadOnlyAttributeComesBackAndSameFileMatchesNames) {
  ground->plant(at("f"), {1});
  ground->plant(at("g"), {1});
  ASSERT_TRUE(files.setFileAttributes(at("f"), attr::kReadOnly | attr::kArchive));
  EXPECT_EQ(files.fileAttributes(at("f")), attr::kReadOnly);
  ASSERT_TRUE(files.setFileAttributes(at("f"), attr::kNormal));
  EXPECT_EQ(files.fileAttributes(at("f")), attr::kNormal);
  EXPECT_EQ(files.fileAttributes(at("missing")), attr::kInvalid);
  EXPECT_FALSE(files.setFileAttributes(at("missing"), attr::kNormal));
  EXPECT_EQ(files.fileAttributes(ground->folder()) & attr::kDirectory, attr::kDirectory);
  EXPECT_TRUE(files.sameFile(at("f"), at("f")));
  EXPECT_FALSE(files.sameFile(at("f"), at("g")));
  EXPECT_FALSE(files.sameFile(at("missing"), at("missing")));
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
  EXPECT_FALSE(files.createExclusive(dir.file("link")).isOpen());
  EXPECT_FALSE(files.createExclusive(dir.file("broken")).isOpen());
  EXPECT_TRUE(files.pathTaken(dir.file("broken")));
  EXPECT_TRUE(files.sameFile(dir.file("a"), dir.file("link")));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.listFolder(dir.path(), entries));
  ASSERT_EQ(entries.size(), 2u);  // the broken link is left out
  EXPECT_EQ(entries[1].name, "link");
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

TEST(MemoryFile, ReadsAndWritesItsOwnBytes) {
  File f = memoryFile({1, 2, 3});
  uint8_t out[4] = {};
  EXPECT_EQ(f.read(out, 4), 3u);
  EXPECT_EQ(f.write("x", 1), 1u);
  EXPECT_EQ(f.size(), 4u);
  ASSERT_TRUE(f.seek(2));
  EXPECT_EQ(f.read(out, 4), 2u);
  EXPECT_EQ(out[1], 'x');
  EXPECT_TRUE(f.sync());
}

TEST(TempFolder, FollowsTmpdirAndEndsInSlash) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(tempFolder(), "/var/tmp/");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(tempFolder(), "/tmp/");
  if (old)
    ::setenv("TMPDIR", saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace murl::platform
