// murl-cli as a user runs it: a separate process, real files, the password from a file or the
// environment, standard input not a terminal.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    for (const char* folder : {"out", "back", "src"})
      std::filesystem::create_directory(dir.file(folder));
    std::string password = "a password for the cli\n";
    writeAll(dir.file("pw.txt"), {password.begin(), password.end()});
    writeAll(dir.file("src/data.bin"), randomBytes(3000, 5));
    std::string text = "hidden words\n";
    writeAll(dir.file("src/note.txt"), {text.begin(), text.end()});
    for (int i = 0; i < 3; ++i) {
      WavShape shape;
      shape.samples = soundSamples(12000, 11500, 256, 40 + i);
      writeAll(dir.file("c" + std::to_string(i) + ".wav"), buildWav(shape));
    }
  }

  CliResult run(const std::string& args, const std::string& env = "") {
    return runCli(dir, args, env);
  }

  CliResult hide(const std::string& extra = "") {
    return run("hide -o out -c c0.wav -c c1.wav -c c2.wav --password-file pw.txt " + extra +
               " src");
  }

  TempDir dir;
};

TEST_F(CliTest, HideListUnhideRoundTrip) {
  CliResult hidden = hide("--level wav=High");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  EXPECT_NE(hidden.out.find("Password: <a password for the cli>"), std::string::npos);
  EXPECT_NE(hidden.out.find("WAV bits selection level: High\n"), std::string::npos);
  EXPECT_NE(hidden.out.find("#00000:   c0.wav   [+"), std::string::npos);

  CliResult listed =
      run("list --level wav=4 --password-file pw.txt out/c0.wav out/c1.wav out/c2.wav");
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("src/"), std::string::npos);
  EXPECT_NE(listed.out.find("data.bin"), std::string::npos);
  EXPECT_NE(listed.out.find("3.000 bytes"), std::string::npos);

  CliResult back = run("unhide -o back --level wav=high out/c0.wav out/c1.wav out/c2.wav",
                       "MURL_PASSWORD='a password for the cli'");
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(readAll(dir.file("back/src/data.bin")), readAll(dir.file("src/data.bin")));
  EXPECT_EQ(readAll(dir.file("back/src/note.txt")), readAll(dir.file("src/note.txt")));
}

TEST_F(CliTest, SelectExtractsOneFile) {
  ASSERT_EQ(hide().status, 0);
  CliResult back =
      run("unhide -o back --password-file pw.txt --select src/note.txt out/c0.wav "
          "out/c1.wav out/c2.wav");
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(folderNames(dir.file("back")), (std::vector<std::string>{"note.txt"}));
  EXPECT_EQ(run("unhide -o back --password-file pw.txt --select nothing out/c0.wav out/c1.wav "
                "out/c2.wav")
                .status,
            1);
}

TEST_F(CliTest, FailuresExitOneWithTheMessageInTheChosenLanguage) {
  ASSERT_EQ(hide().status, 0);
  CliResult wrongOrder =
      run("unhide -o back --lang it --strict-order --password-file pw.txt out/c1.wav "
          "out/c0.wav out/c2.wav");
  EXPECT_EQ(wrongOrder.status, 1);
  // What the trailers tell follows the message.
  EXPECT_NE(wrongOrder.err.find("Dati incoerenti: estrazione terminata!\n"
                                "Completi, ma non in ordine.\n"
                                "Estrarli in quest'ordine:\n  out/c0.wav\n"),
            std::string::npos)
      << wrongOrder.err;
  EXPECT_TRUE(folderNames(dir.file("back")).empty());

  // Without a terminal and without --overwrite, an existing target is not replaced.
  auto before = readAll(dir.file("out/c0.wav"));
  CliResult again = hide();
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("Target carrier already exists! Overwrite? No"), std::string::npos);
  EXPECT_EQ(readAll(dir.file("out/c0.wav")), before);
  EXPECT_EQ(hide("--overwrite").status, 0);
}

TEST_F(CliTest, TooFewCarrierBitsWriteNothing) {
  CliResult result = run("hide -o out -c c0.wav --password-file pw.txt src");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("more needed"), std::string::npos);
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
}

TEST_F(CliTest, EnoughCarriersLeavesTheRestUnused) {
  std::filesystem::remove(dir.file("src/data.bin"));
  CliResult result = hide();
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("Enough carriers already added!"), std::string::npos);
  EXPECT_EQ(result.out.find("#00001:"), std::string::npos);
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"c0.wav"}));
}

TEST_F(CliTest, BadUsageExitsTwo) {
  EXPECT_EQ(run("hide --no-such-option").status, 2);
  EXPECT_EQ(hide("--level xyz=3").status, 2);
  EXPECT_EQ(hide("--level wav=7").status, 2);
  EXPECT_EQ(hide("--png-output sideways").status, 2);
  EXPECT_EQ(hide("--lang fr").status, 2);
  // No password source without a terminal; a password out of the 16-32 range.
  EXPECT_EQ(run("list out/c0.wav").status, 2);
  EXPECT_EQ(run("list out/c0.wav", "MURL_PASSWORD=short").status, 2);
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
}

TEST_F(CliTest, HelpOfEveryCommandHasAnExample) {
  for (const char* command : {"capacity", "hide", "list", "unhide", "mark", "check"}) {
    CliResult help = run(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find("Example:\n  murl-cli " + std::string(command)), std::string::npos)
        << command;
  }
  CliResult capacity = run("capacity c0.wav src/note.txt");
  EXPECT_EQ(capacity.status, 1);
  EXPECT_NE(capacity.out.find("c0.wav  WAV  "), std::string::npos);
  EXPECT_NE(capacity.out.find("note.txt  not a carrier"), std::string::npos);
}

}  // namespace
}  // namespace murl::test
