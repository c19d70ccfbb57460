// murl-cli as a user runs it: a separate process, real files, the password from a file or the
// environment, standard input not a terminal.
#include <filesystem>

#include "cli_fixture.h"

namespace murl::test {
namespace {

class CliTest : public CliFolder {
 protected:
  CliTest() {
    for (const char* folder : {"out", "back"}) std::filesystem::create_directory(dir.file(folder));
    writeText("src/note.txt", "hidden words\n");
  }
  const std::string targets = " out/c0.wav out/c1.wav out/c2.wav";
};

TEST_F(CliTest, HideListUnhideAndSelectRoundTrip) {
  CliResult hidden = hide("--level wav=High");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  EXPECT_TRUE(contains(hidden.out, "WAV bits selection level: High\n"));

  CliResult listed = run("list --level wav=4 --password-file pw.txt" + targets);
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_TRUE(contains(listed.out, "src/"));
  EXPECT_TRUE(contains(listed.out, "data.bin"));
  EXPECT_TRUE(contains(listed.out, "3.000 bytes"));

  CliResult back = run("unhide -o back --level wav=high" + targets,
                       "MURL_PASSWORD='" + std::string(kCliPassword) + "'");
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(readAll(dir.file("back/src/data.bin")), readAll(dir.file("src/data.bin")));
  EXPECT_EQ(readAll(dir.file("back/src/note.txt")), readAll(dir.file("src/note.txt")));

  const std::string select = "unhide -o one --level wav=4 --password-file pw.txt --select ";
  CliResult one = run(select + "src/note.txt" + targets);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(folderNames(dir.file("one")), (std::vector<std::string>{"note.txt"}));
  EXPECT_EQ(run(select + "nothing" + targets).status, 1);
}

TEST_F(CliTest, FailuresExitOneWithTheMessageInTheChosenLanguage) {
  ASSERT_EQ(hide().status, 0);
  CliResult wrongOrder =
      run("unhide -o back --lang it --strict-order --password-file pw.txt out/c1.wav "
          "out/c0.wav out/c2.wav");
  EXPECT_EQ(wrongOrder.status, 1);
  // What the trailers tell follows the message.
  EXPECT_TRUE(contains(wrongOrder.err,
                       "Dati incoerenti: estrazione terminata!\nCompleti, ma non in ordine.\n"
                       "Estrarli in quest'ordine:\n  out/c0.wav\n"))
      << wrongOrder.err;
  EXPECT_TRUE(folderNames(dir.file("back")).empty());
}

// Bad usage exits 2, a job that cannot be done 1; neither writes a target.
TEST_F(CliTest, RefusalsExitWithTheirStatusAndWriteNothing) {
  const std::string all = "-o out -c c0.wav -c c1.wav -c c2.wav --password-file pw.txt ";
  const struct {
    std::string args;
    std::string env;
    int status;
    const char* said;  // on stderr
  } cases[] = {
      {"hide --no-such-option", "", 2, ""},
      {"hide " + all + "--level xyz=3 src", "", 2, "xyz=3"},
      {"hide " + all + "--level wav=7 src", "", 2, "wav=7"},
      {"hide " + all + "--png-output sideways src", "", 2, "sideways"},
      {"hide " + all + "--png-chunk 9 src", "", 2, "png-chunk"},
      {"hide " + all + "--lang fr src", "", 2, "fr"},
      // No password source without a terminal; a password out of the 16-32 range.
      {"list c0.wav", "", 2, ""},
      {"list c0.wav", "MURL_PASSWORD=short", 2, ""},
      {"hide -o out -c c0.wav --password-file pw.txt src", "", 1, "more needed"},
  };
  for (const auto& c : cases) {
    CliResult result = run(c.args, c.env);
    EXPECT_EQ(result.status, c.status) << c.args << "\n" << result.err;
    EXPECT_TRUE(contains(result.err, c.said)) << c.args << "\n" << result.err;
    EXPECT_TRUE(folderNames(dir.file("out")).empty()) << c.args;
  }
}

TEST_F(CliTest, CapacityNamesEachFilesFormatOrSaysItIsNoCarrier) {
  CliResult capacity = run("capacity c0.wav src/note.txt");
  EXPECT_EQ(capacity.status, 1);
  EXPECT_TRUE(contains(capacity.out, "c0.wav  WAV  "));
  EXPECT_TRUE(contains(capacity.out, "note.txt  not a carrier"));
}

}  // namespace
}  // namespace murl::test
