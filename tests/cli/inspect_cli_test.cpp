// murl-cli inspect, and unhide following the trailers' order, as a user runs them: separate
// processes, real files, the JSON read back by Python's standard parser.
#include <filesystem>

#include "cli_fixture.h"

namespace murl::test {
namespace {

// A carrier name the JSON and the terminal must carry through: a quote and a letter past ASCII.
const std::string kOddName = "q\"\xC3\xB6.wav";

class InspectCli : public CliFolder {
 protected:
  InspectCli() {
    std::filesystem::create_directory(dir.file("back"));
    std::filesystem::rename(dir.file("c1.wav"), dir.file(kOddName));
  }
  CliResult run(const std::string& args) { return CliFolder::run("--lang en " + args); }
};

TEST_F(InspectCli, TellsTheOrderAndUnhideFollowsIt) {
  ASSERT_EQ(run("hide -q -o out -c c0.wav -c '" + kOddName + "' -c c2.wav --password-file " +
                "pw.txt src")
                .status,
            0);
  const std::string given = "out/c2.wav 'out/" + kOddName + "' out/c0.wav";
  const CliResult text = run("inspect " + given);
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("c2.wav  WAV, "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Complete, but out of order.\nUnhide them in this order:\n"
                          "  out/c0.wav\n  out/" +
                          kOddName + "\n  out/c2.wav\n"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(run("inspect out/c0.wav 'out/" + kOddName + "' out/c2.wav").status, 0);
  // Each trailer also holds the password it was hidden with: inspection never shows it.
  EXPECT_EQ(text.out.find("a password for the cli"), std::string::npos);

  if (!std::string(MURL_PYTHON).empty()) {
    const CliResult json = run("inspect --json " + given + " src/data.bin");
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(evalJson(dir, json.out,
                       "d[\"verdict\"], d[\"unreadable\"], d[\"carrierCount\"], "
                       "[c[\"trailer\"] and c[\"index\"] for c in d[\"carriers\"]], "
                       "d[\"carriers\"][1][\"path\"] == \"out/q\\\"\\u00f6.wav\", "
                       "d[\"carriers\"][3][\"carrier\"], d[\"carriers\"][0][\"levels\"]"),
              "unreadable [3] 3 [2, 1, 0, False] True False [{'format': 'WAV', 'level': 3}]")
        << json.out;
    EXPECT_EQ(json.out.find("a password for the cli"), std::string::npos);
  }

  // Unhide reads them in their trailers' order and says so.
  const CliResult back = run("unhide -o back --password-file pw.txt " + given);
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_NE(back.err.find("Note: the carriers were read in the order their trailers give:\n"
                          "  out/c0.wav\n"),
            std::string::npos)
      << back.err;
  EXPECT_EQ(readAll(dir.file("back/src/data.bin")), readAll(dir.file("src/data.bin")));
}

}  // namespace
}  // namespace murl::test
