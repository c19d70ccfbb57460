#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/folders.h"
#include "platform/temp_folder.h"
#include "support/temp_dir.h"

namespace murl::platform {
namespace {

using test::TempDir;

TEST(File, CreateWriteSeekReadAndShortCounts) {
  TempDir dir;
  File f = File::createTruncate(dir.file("a.bin"));
  ASSERT_TRUE(f.isOpen());
  EXPECT_EQ(f.write("abcdef", 6), 6u);
  EXPECT_EQ(f.size(), 6u);
  ASSERT_TRUE(f.seek(2));
  char buf[10] = {};
  EXPECT_EQ(f.read(buf, 10), 4u);  // short count at the end of the file
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(f.position(), 6u);
}

TEST(File, OpenReadRefusesMissingFilesAndFolders) {
  TempDir dir;
  EXPECT_FALSE(File::openRead(dir.file("missing")).isOpen());
  EXPECT_FALSE(File::openRead(dir.path()).isOpen());
  EXPECT_FALSE(fileExists(dir.path()));
}

TEST(File, ExclusiveCreationNeverOpensAnExistingNameOrLink) {
  TempDir dir;
  test::writeAll(dir.file("planted"), {1, 2, 3});
  EXPECT_FALSE(File::createExclusive(dir.file("planted")).isOpen());
  ASSERT_EQ(::symlink(dir.file("planted").c_str(), dir.file("link").c_str()), 0);
  EXPECT_FALSE(File::createExclusive(dir.file("link")).isOpen());
  EXPECT_EQ(test::readAll(dir.file("planted")), (std::vector<uint8_t>{1, 2, 3}));

  File fresh = File::createExclusive(dir.file("fresh.tmp"));
  ASSERT_TRUE(fresh.isOpen());
  struct stat st;
  ASSERT_EQ(::stat(dir.file("fresh.tmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(File, WipeAndDeleteZeroesThenRemoves) {
  TempDir dir;
  std::string path = dir.file("secret.tmp");
  File f = File::createExclusive(path);
  std::vector<uint8_t> data(0x400000 + 123, 0xAB);  // spans two wipe pieces
  ASSERT_TRUE(f.writeExact(data.data(), data.size()));
  // A second handle sees the zeros land before the name is removed.
  File watcher = File::openRead(path);
  ASSERT_TRUE(wipeAndDelete(f, path));
  EXPECT_FALSE(f.isOpen());
  EXPECT_FALSE(fileExists(path));
  std::vector<uint8_t> after(data.size(), 0xFF);
  ASSERT_TRUE(watcher.readExact(after.data(), after.size()));
  EXPECT_EQ(after, std::vector<uint8_t>(data.size(), 0));
}

TEST(File, InjectedWriteFailureGivesShortCount) {
  TempDir dir;
  File f = File::createTruncate(dir.file("x"));
  injectWriteFailureAfter(1);
  EXPECT_EQ(f.write("a", 1), 1u);
  EXPECT_EQ(f.write("b", 1), 0u);
  injectWriteFailureAfter(-1);
  EXPECT_EQ(f.write("c", 1), 1u);
}

TEST(File, SameFileSeesThroughLinks) {
  TempDir dir;
  test::writeAll(dir.file("a"), {1});
  test::writeAll(dir.file("b"), {1});
  ASSERT_EQ(::symlink(dir.file("a").c_str(), dir.file("l").c_str()), 0);
  EXPECT_TRUE(sameFile(dir.file("a"), dir.file("l")));
  EXPECT_FALSE(sameFile(dir.file("a"), dir.file("b")));
  EXPECT_FALSE(sameFile(dir.file("a"), dir.file("missing")));
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
