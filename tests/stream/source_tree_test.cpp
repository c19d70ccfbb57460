#include "stream/source_tree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <deque>

#include "platform/file_system.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl {
namespace {

using test::RecordingReporter;
using test::TempDir;

class SourceTreeTest : public ::testing::Test {
 protected:
  // A file of `size` bytes; large ones are sparse, so they cost no disk.
  std::string makeFile(const std::string& name, uint64_t size = 0) {
    std::string path = dir.file(name);
    test::writeAll(path, {});
    EXPECT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
    return path;
  }
  std::vector<std::string> fileNames(const SourceFolder& folder) {
    std::vector<std::string> names;
    for (const auto& f : folder.files()) names.emplace_back(f.name());
    return names;
  }

  TempDir dir;
  RecordingReporter reporter;
  Workspace ws{reporter, Language::kEnglish};
  SourceTree tree;
};

TEST_F(SourceTreeTest, SizeLimitsForOneFileAndTheTotal) {
  std::string exact = makeFile("exact", kMaxContentSize);
  std::string over = makeFile("over", kMaxContentSize + 1ull);
  reporter.answers = {true, false};
  EXPECT_EQ(tree.addFile(ws, tree.root(), over), SourceAddResult::kSkipped);
  EXPECT_EQ(tree.addFile(ws, tree.root(), over), SourceAddResult::kStop);
  EXPECT_EQ(reporter.askedIds(),
            (std::vector<MessageId>{MessageId::kScanFileTooBig, MessageId::kScanFileTooBig}));
  EXPECT_EQ(tree.addFile(ws, tree.root(), exact), SourceAddResult::kAdded);
  EXPECT_EQ(tree.totalSize(), kMaxContentSize);

  tree.reset();
  reporter.clear();
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("half1", 0x8000000)), SourceAddResult::kAdded);
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("half2", 0x8000000)), SourceAddResult::kAdded);
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("empty")), SourceAddResult::kAdded);
  reporter.answers = {true};
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("one", 1)), SourceAddResult::kSkipped);
  EXPECT_EQ(reporter.askedIds(), std::vector<MessageId>{MessageId::kScanTotalTooBig});
  EXPECT_EQ(tree.fileCount(), 3u);
  EXPECT_EQ(tree.totalSize(), kMaxContentSize);
}

TEST_F(SourceTreeTest, MissingAndDuplicateFilesAsk) {
  std::string a = makeFile("a", 10);
  reporter.answers = {true, true};
  EXPECT_EQ(tree.addFile(ws, tree.root(), dir.file("missing")), SourceAddResult::kSkipped);
  EXPECT_EQ(tree.addFile(ws, tree.root(), a), SourceAddResult::kAdded);
  EXPECT_EQ(tree.addFile(ws, tree.root(), a), SourceAddResult::kSkipped);
  ASSERT_EQ(tree.addSubfolder(ws, tree.root(), "sub"), SourceAddResult::kAdded);
  EXPECT_EQ(tree.addFile(ws, tree.root().subfolder(0), a), SourceAddResult::kAdded);
  // Another file of that name, or a folder: extraction would write one over the other.
  ASSERT_TRUE(platform::realFileSystem().createFolder(dir.file("other")));
  reporter.answers = {true, true};
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("other/a", 5)), SourceAddResult::kSkipped);
  EXPECT_EQ(tree.addFile(ws, tree.root(), makeFile("sub", 5)), SourceAddResult::kSkipped);
  EXPECT_EQ(tree.addSubfolder(ws, tree.root(), "a"), SourceAddResult::kStop);  // no answer: No
  EXPECT_EQ(tree.addSubfolder(ws, tree.root(), "sub"), SourceAddResult::kStop);
  EXPECT_EQ(reporter.askedIds(),
            (std::vector<MessageId>{
                MessageId::kScanCouldntOpenFile, MessageId::kScanFileAlreadyAdded,
                MessageId::kScanFileAlreadyAdded, MessageId::kScanFileAlreadyAdded,
                MessageId::kScanFolderAlreadyAdded, MessageId::kScanFolderAlreadyAdded}));
  EXPECT_EQ(tree.fileCount(), 2u);
  EXPECT_EQ(tree.totalSize(), 20u);
  EXPECT_EQ(tree.root().subfolderCount(), 1u);
}

TEST_F(SourceTreeTest, FileAndSubfolderCountLimits) {
  std::string a = makeFile("a");
  for (uint32_t i = 0; i < kMaxSubfolders; ++i) {
    ASSERT_EQ(tree.addSubfolder(ws, tree.root(), std::to_string(i)), SourceAddResult::kAdded);
  }
  EXPECT_EQ(tree.addSubfolder(ws, tree.root(), "one more"), SourceAddResult::kStop);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kMaxSubfolders});
  // The same file once in each of the 65535 folders reaches the file limit.
  for (uint32_t i = 0; i < kMaxSourceFiles; ++i) {
    ASSERT_EQ(tree.addFile(ws, tree.root().subfolder(i), a), SourceAddResult::kAdded);
  }
  reporter.clear();
  EXPECT_EQ(tree.addFile(ws, tree.root(), a), SourceAddResult::kStop);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kMaxFiles});
  EXPECT_EQ(tree.fileCount(), kMaxSourceFiles);
  EXPECT_TRUE(tree.root().files().empty());
}

TEST_F(SourceTreeTest, SortFoldsCaseAndKeepsEqualNamesInOrder) {
  for (const char* name : {"b.txt", "A.txt", "a.txt", "_x", "B"}) {
    ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile(name)), SourceAddResult::kAdded);
  }
  for (const char* name : {"zz", "Docs", "docs", "a"}) {
    ASSERT_EQ(tree.addSubfolder(ws, tree.root(), name), SourceAddResult::kAdded);
  }
  tree.sort();
  // "_" (0x5F) sorts after the folded letters' capitals but before the lowercase letters.
  EXPECT_EQ(fileNames(tree.root()),
            (std::vector<std::string>{"_x", "A.txt", "a.txt", "B", "b.txt"}));
  std::vector<std::string> folders;
  for (size_t i = 0; i < tree.root().subfolderCount(); ++i) {
    folders.push_back(tree.root().subfolder(i).name());
  }
  EXPECT_EQ(folders, (std::vector<std::string>{"a", "Docs", "docs", "zz"}));
  EXPECT_TRUE(foldedLess("ab", "abc"));
  EXPECT_FALSE(foldedLess("ABC", "abc"));
}

TEST_F(SourceTreeTest, ScanAddsFilesThenSubfoldersSortedAndStopsOnNo) {
  ASSERT_TRUE(platform::realFileSystem().createFolder(dir.file("top")));
  ASSERT_TRUE(platform::realFileSystem().createFolder(dir.file("top/Sub")));
  ASSERT_TRUE(platform::realFileSystem().createFolder(dir.file("top/Sub/deep")));
  ASSERT_TRUE(platform::realFileSystem().createFolder(dir.file("top/empty")));
  makeFile("top/b", 3);
  makeFile("top/A", 4);
  makeFile("top/Sub/deep/x", 5);
  std::vector<std::string> seen;
  tree.onScanPath = [&](const std::string& p) { seen.push_back(p); };
  bool added = false;
  EXPECT_EQ(tree.scanFolder(ws, tree.root(), dir.file("top"), added), SourceAddResult::kAdded);
  EXPECT_TRUE(added);
  EXPECT_EQ(fileNames(tree.root()), (std::vector<std::string>{"A", "b"}));
  ASSERT_EQ(tree.root().subfolderCount(), 2u);
  EXPECT_EQ(tree.root().subfolder(0).name(), "empty");
  const SourceFolder& deep = tree.root().subfolder(1).subfolder(0);
  EXPECT_EQ(deep.name(), "deep");
  EXPECT_EQ(deep.parent()->name(), "Sub");
  EXPECT_EQ(fileNames(deep), std::vector<std::string>{"x"});
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(tree.totalSize(), 12u);

  // Scanning again into the same node: No at the first "already added" ends the scan, and
  // what was there stays.
  reporter.answers = {false};
  added = false;
  EXPECT_EQ(tree.scanFolder(ws, tree.root(), dir.file("top"), added), SourceAddResult::kStop);
  EXPECT_FALSE(added);
  EXPECT_EQ(tree.fileCount(), 3u);
  EXPECT_EQ(reporter.askedIds(), std::vector<MessageId>{MessageId::kScanFileAlreadyAdded});
  // A folder that cannot be listed is asked about as a file that cannot be opened.
  reporter.clear();
  reporter.answers = {true};
  EXPECT_EQ(tree.scanFolder(ws, tree.root(), dir.file("nowhere"), added),
            SourceAddResult::kSkipped);
  EXPECT_EQ(reporter.askedIds(), std::vector<MessageId>{MessageId::kScanCouldntOpenFile});
}

// A folder of `levels` nested folders with names of 250 bytes, so that a file of a long name in
// the innermost one has a path longer than the system takes. Made folder by folder.
void makeDeepFolder(const std::string& top, int levels) {
  int at = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  const std::string name(250, 'd');
  for (int i = 0; i < levels; ++i) {
    ASSERT_EQ(::mkdirat(at, name.c_str(), 0777), 0);
    int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(at);
    at = next;
  }
  int fd = ::openat(at, std::string(200, 'f').c_str(), O_CREAT | O_WRONLY, 0666);
  ASSERT_GE(fd, 0);
  ::close(fd);
  ::close(at);
}

TEST_F(SourceTreeTest, EverythingAScanLeavesOutIsAskedAbout) {
  const std::string top = dir.file("scan");
  ASSERT_EQ(::mkdir(top.c_str(), 0777), 0);
  ASSERT_EQ(::symlink("nowhere", (top + "/a-broken").c_str()), 0);
  ASSERT_EQ(::mkfifo((top + "/b-fifo").c_str(), 0600), 0);
  makeFile("scan/c-file", 3);
  ASSERT_EQ(::symlink(".", (top + "/d-loop").c_str()), 0);
  ASSERT_EQ(::symlink("..", (top + "/e-loop-up").c_str()), 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = top + "/f-socket";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_NO_FATAL_FAILURE(makeDeepFolder(top, 16));  // "ddd..." sorts between the links

  reporter.answers = std::deque<bool>(7, true);
  bool added = false;
  EXPECT_EQ(tree.addFolder(ws, tree.root(), top, "scan", added), SourceAddResult::kAdded);
  ::close(sock);
  const auto open = MessageId::kScanCouldntOpenFile;
  const auto loop = MessageId::kScanFolderAlreadyAdded;
  // First the entries that are not folders, then the folders: the link to the folder itself is
  // not entered, the file deep down cannot be opened by its path, and the link up leads to a
  // folder that holds the scan's own folder, which is not entered again.
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{open, open, open, loop, open, loop}));
  ASSERT_EQ(tree.root().subfolderCount(), 1u);
  EXPECT_EQ(fileNames(tree.root().subfolder(0)), std::vector<std::string>{"c-file"});
  EXPECT_EQ(tree.fileCount(), 1u);

  // A folder that cannot be listed leaves nothing.
  reporter.clear();
  reporter.answers = {true};
  tree.reset();
  EXPECT_EQ(tree.addFolder(ws, tree.root(), dir.file("none"), "none", added),
            SourceAddResult::kSkipped);
  EXPECT_EQ(reporter.askedIds(), std::vector<MessageId>{open});
  EXPECT_EQ(tree.root().subfolderCount(), 0u);
}

TEST_F(SourceTreeTest, RemovingKeepsTotalsEqualToTheTree) {
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("r", 7)), SourceAddResult::kAdded);
  ASSERT_EQ(tree.addSubfolder(ws, tree.root(), "s"), SourceAddResult::kAdded);
  SourceFolder& s = tree.root().subfolder(0);
  ASSERT_EQ(tree.addFile(ws, s, makeFile("f1", 100)), SourceAddResult::kAdded);
  ASSERT_EQ(tree.addSubfolder(ws, s, "t"), SourceAddResult::kAdded);
  ASSERT_EQ(tree.addFile(ws, s.subfolder(0), makeFile("f2", 1000)), SourceAddResult::kAdded);
  EXPECT_EQ(tree.totalSize(), 1107u);
  EXPECT_FALSE(tree.removeSubfolder(tree.root(), 1));
  EXPECT_FALSE(tree.removeFile(tree.root(), 1));
  EXPECT_TRUE(tree.removeSubfolder(tree.root(), 0));
  EXPECT_EQ(tree.fileCount(), 1u);
  EXPECT_EQ(tree.totalSize(), 7u);
  // A removed file may be added again without a question.
  EXPECT_TRUE(tree.removeFile(tree.root(), 0));
  EXPECT_EQ(tree.addFile(ws, tree.root(), dir.file("r")), SourceAddResult::kAdded);
  tree.reset();
  EXPECT_EQ(tree.fileCount(), 0u);
  EXPECT_EQ(tree.totalSize(), 0u);
  EXPECT_TRUE(reporter.asked.empty());
}

TEST_F(SourceTreeTest, AttributesAreReducedToTheKeptBits) {
  EXPECT_EQ(reduceAttributes(platform::attr::kNormal | platform::attr::kReadOnly), 0x80u);
  EXPECT_EQ(reduceAttributes(0x1FF & ~0x80u), 0x127u);
  EXPECT_EQ(reduceAttributes(platform::attr::kInvalid), 0u);
  std::string ro = makeFile("ro", 1);
  ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
  ASSERT_EQ(tree.addFile(ws, tree.root(), ro), SourceAddResult::kAdded);
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile(".dot", 1)), SourceAddResult::kAdded);
  ASSERT_EQ(tree.addFile(ws, tree.root(), makeFile("plain", 1)), SourceAddResult::kAdded);
  EXPECT_EQ(tree.root().files()[0].attributes, 0x01u);
  EXPECT_EQ(tree.root().files()[1].attributes, 0x02u);
  EXPECT_EQ(tree.root().files()[2].attributes, 0x80u);
}

}  // namespace
}  // namespace murl
