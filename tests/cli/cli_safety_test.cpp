// murl-cli against what a careless or hostile environment gives it: folders that do not exist
// yet, names that are links, FIFOs and escape sequences, huge password files, a full disk for
// the report, signals in the middle of a job. Every run is a separate process.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"
#include "support/bmp_builder.h"
#include "support/cli_child.h"

namespace murl::test {
namespace {

constexpr const char* kPassword = kCliPassword;

// A child killed by a signal (the helper's patience ran out) never passes for a clean exit.
int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

class CliSafetyTest : public CliFolder {
 protected:
  CliSafetyTest() {
    std::filesystem::create_directories(dir.file("src/inner"));
    std::filesystem::create_directory(dir.file("tmp"));
  }
};

// The lines of the README's usage block, without "murl-cli" and the comments.
std::vector<std::string> readmeCommands() {
  std::ifstream in(std::string(MURL_TEST_DATA_DIR) + "/../../README.md");
  std::stringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  const size_t start = text.find("```sh\n", text.find("## Using murl-cli"));
  const size_t end = text.find("```", start + 6);
  std::vector<std::string> commands;
  std::istringstream block(text.substr(start + 6, end - start - 6));
  for (std::string line; std::getline(block, line);) {
    line = line.substr(0, line.find(" #"));
    line = line.substr(0, line.find_last_not_of(' ') + 1);
    if (line.rfind("murl-cli ", 0) == 0) commands.push_back(line.substr(9));
  }
  return commands;
}

TEST_F(CliSafetyTest, ReadmeExamplesWorkAsWrittenInAFreshFolder) {
  // The files to hide need both carriers, as the example's list and unhide take it.
  writeAll(dir.file("song1.wav"), wav(20000, 1));
  writeAll(dir.file("song2.wav"), wav(20000, 2));
  writeText("letter.txt", "Dear reader,\n");
  std::filesystem::create_directory(dir.file("photos"));
  writeAll(dir.file("photos/one.jpg"), randomBytes(3000, 3));
  writeText("mark.txt", "(c) the makers\n");
  writeAll(dir.file("photo.bmp"), buildBmp(BmpShape{.width = 96, .height = 64}, noisyPixel));
  const std::vector<std::string> commands = readmeCommands();
  ASSERT_GE(commands.size(), 7u);
  for (const std::string& command : commands) {
    CliResult result = run(command);
    // The inspect example names the carriers out of order, to show the order it then tells.
    const bool inspect = command.rfind("inspect ", 0) == 0;
    EXPECT_EQ(result.status, inspect ? 1 : 0) << command << "\n" << result.err;
    if (inspect) {
      EXPECT_TRUE(contains(result.out, "Unhide them in this order:")) << result.out;
    }
  }
  // Output folders that were missing are made, for the user alone, and said so.
  struct stat st {};
  ASSERT_EQ(::stat(dir.file("restored").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(readAll(dir.file("restored/letter.txt")), readAll(dir.file("letter.txt")));
  EXPECT_EQ(readAll(dir.file("restored/photos/one.jpg")), readAll(dir.file("photos/one.jpg")));
  CliResult again = run("unhide -o new/deeper --password-file pw.txt out/song1.wav out/song2.wav");
  EXPECT_EQ(again.status, 0);
  EXPECT_TRUE(contains(again.err, "Created the output folder (for you alone): new/deeper"));
}

TEST_F(CliSafetyTest, FoldersJoinUnderTheNameTheirPathLeadsTo) {
  for (const char* path : {"src/.", "src/inner/.."}) {
    ASSERT_EQ(hide("--overwrite", path).status, 0) << path;
    CliResult listed = run("list --password-file pw.txt out/c0.wav out/c1.wav out/c2.wav");
    EXPECT_EQ(listed.out.substr(listed.out.find('\n') + 1, 5), "src/ ") << path;
  }
}

TEST_F(CliSafetyTest, EntriesThatCannotBeOpenedAreAskedAbout) {
  std::filesystem::create_symlink("nowhere", dir.file("src/broken"));
  ASSERT_EQ(::mkfifo(dir.file("src/fifo").c_str(), 0600), 0);
  const std::string question = "Couldn't open file! Continue scanning other files?";
  CliResult refused = hide("");
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(contains(refused.err, question + " No")) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  CliResult skipped = hide("--skip-unreadable");
  EXPECT_EQ(skipped.status, 0) << skipped.err;
  EXPECT_TRUE(contains(skipped.err, question + " Yes\nWarning: " + question + " Yes"));
}

TEST_F(CliSafetyTest, FifosAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
  EXPECT_EQ(run("list --password-file pipe.wav c0.wav").status, 2);
  // A FIFO at a target's name is asked about like any file, and replaced, never opened.
  std::filesystem::create_directory(dir.file("out"));
  ASSERT_EQ(::mkfifo(dir.file("out/c0.wav").c_str(), 0600), 0);
  EXPECT_EQ(hide("").status, 1);
  EXPECT_EQ(hide("--overwrite").status, 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("out/c0.wav")));
}

TEST_F(CliSafetyTest, APasswordFileIsReadNoFurtherThanItsFirstLine) {
  writeAll(dir.file("long.txt"), std::vector<uint8_t>(1 << 20, 'x'));
  writeText("lines.txt", std::string(kPassword) + "\r\n" + std::string(1 << 20, 'y'));
  CliResult zero = run("list --password-file /dev/zero c0.wav");
  EXPECT_EQ(zero.status, 2);
  EXPECT_TRUE(contains(zero.err, "Couldn't read the password file: /dev/zero"));
  CliResult endless = run("list --password-file long.txt c0.wav");
  EXPECT_EQ(endless.status, 2);
  EXPECT_TRUE(contains(endless.err, "The first line is longer than any it may hold: long.txt"));
  ASSERT_EQ(hide("").status, 0);
  EXPECT_EQ(run("list --password-file lines.txt out/c0.wav out/c1.wav out/c2.wav").status, 0);
}

TEST_F(CliSafetyTest, TheReportHidesThePasswordOnStdoutAndKeepsItWholeInItsOwnFile) {
  CliResult hidden = hide("--report keep/report.txt");
  EXPECT_EQ(hidden.status, 1);  // the report's folder is not made
  EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  hidden = hide("--report report.txt");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  const std::string masked = std::string(std::strlen(kPassword), '*');
  EXPECT_TRUE(contains(hidden.out, "Password: <" + masked + ">\n")) << hidden.out;
  EXPECT_FALSE(contains(hidden.out, kPassword));
  const auto kept = readAll(dir.file("report.txt"));
  EXPECT_TRUE(contains({kept.begin(), kept.end()}, "Password: <" + std::string(kPassword) + ">\n"));
  struct stat st {};
  ASSERT_EQ(::stat(dir.file("report.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // The report is the only record of the carrier order: one that cannot be printed fails the run.
  CliResult full =
      run("hide -o out2 -c c0.wav -c c1.wav -c c2.wav --password-file pw.txt src", "", "/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_TRUE(contains(full.err, "Couldn't print the Process Report"));
}

TEST_F(CliSafetyTest, NamesReachATerminalEscaped) {
  // A C1 control byte travels in hidden names; on a terminal it must not act as one.
  writeText(
      "src/a\x9B"
      "31mb",
      "x");
  ASSERT_EQ(hide("").status, 0);
  CliChild listing(dir, {"list", "out/c0.wav", "out/c1.wav", "out/c2.wav"},
                   {std::string("MURL_PASSWORD=") + kPassword});
  EXPECT_TRUE(listing.waitForOutput("a\\23331mb"));
  EXPECT_EQ(exitCodeOf(listing.wait()), 0);
  // Names the stream refuses are named in the message, escaped on a terminal too.
  writeText("src/\x1B[2J", "x");
  CliChild refusing(dir, {"hide", "-o", "out", "-c", "c0.wav", "src"},
                    {std::string("MURL_PASSWORD=") + kPassword});
  EXPECT_TRUE(refusing.waitForOutput("src/\\033[2J"));
  EXPECT_EQ(exitCodeOf(refusing.wait()), 1);
}

TEST_F(CliSafetyTest, AKilledOrInterruptedJobLeavesNoFileBehind) {
  writeAll(dir.file("big.wav"), wav(12000000, 7));               // writing its target takes a while
  writeAll(dir.file("src/data.bin"), randomBytes(20000000, 8));  // and so does this stream
  struct Case {
    int signal;
    const char* phase;
    const char* busyIn;  // signalled once it holds a file open under this folder
    const char* args;
  } cases[] = {
      {SIGTERM, "stream", "tmp/", "hide -q -o out -c c0.wav src"},
      {SIGKILL, "target", "out/", "hide -q -o out -c big.wav src/inner"},
      // The output folders it made go again.
      {SIGINT, "target", "made/out/", "hide -q -o made/out -c big.wav src/inner"},
  };
  writeText("src/inner/small.txt", "small");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.phase) + " " + std::to_string(c.signal));
    std::filesystem::create_directory(dir.file("out"));
    // Exits 99 when the file never shows; `wait` gives 128 + the signal that ended it.
    CliResult result = runCommand(
        dir, "env -u MURL_MARK TMPDIR='" + dir.file("tmp") + "' MURL_PASSWORD='" + kPassword +
                 "' '" + MURL_CLI_PATH + "' " + c.args +
                 " & pid=$! n=0; until ls -l /proc/$pid/fd " + "2>/dev/null | grep -qF -- '-> " +
                 dir.file(c.busyIn) + "'; do n=$((n + 1)); " +
                 "[ $n -lt 4000 ] || { kill -9 $pid; exit 99; }; sleep 0.005; done; kill -" +
                 std::to_string(c.signal) + " $pid; wait $pid");
    EXPECT_EQ(result.status, 128 + c.signal);
    EXPECT_EQ(contains(result.err, "Interrupted."), c.signal != SIGKILL) << result.err;
    EXPECT_TRUE(folderNames(dir.file("tmp")).empty());
    EXPECT_TRUE(folderNames(dir.file("out")).empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("made")));
  }
}

TEST_F(CliSafetyTest, AnInterruptAtThePasswordPromptGivesTheEchoBack) {
  CliChild child(dir, {"list", "c0.wav"}, {});
  ASSERT_TRUE(child.waitForOutput("Password (16-32 characters): "));
  // The prompt is written just before the echo goes off.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (child.terminalEchoes() && std::chrono::steady_clock::now() < until) ::usleep(1000);
  EXPECT_FALSE(child.terminalEchoes());
  child.signal(SIGINT);
  EXPECT_EQ(exitCodeOf(child.wait()), 130);
  EXPECT_TRUE(child.terminalEchoes());
}

}  // namespace
}  // namespace murl::test
