// murl-cli mark and check as a user runs them: separate processes, real files, the mark from a
// file or the environment, the JSON read back by Python's standard parser.
#include "cli_fixture.h"

namespace murl::test {
namespace {

const std::string kData = MURL_TEST_DATA_DIR;

class MarkCheckCli : public CliFolder {
 protected:
  MarkCheckCli() { std::filesystem::create_directory(dir.file("out")); }
  void writeMarkFile(const std::string& mark) { writeText("mark.txt", mark + "\n"); }
};

// Quotes, a backslash and a letter outside ASCII, which the JSON must carry through.
const std::string kMark = "(c) 2024 \"Murl\" tests \\ caff\xC3\xA8";

TEST_F(MarkCheckCli, MarkedCarriersGiveTheMarkBackWholeAsTextAndJson) {
  if (std::string(MURL_PYTHON).empty()) GTEST_SKIP() << "no Python to parse the JSON";
  const std::vector<std::string> fixtures{"bmp_v3_24.bmp", "c0.wav"};
  std::filesystem::copy_file(kData + "/bmp_v3_24.bmp", dir.file("bmp_v3_24.bmp"));
  writeMarkFile(kMark);
  std::string carriers;
  for (const std::string& name : fixtures) carriers += " " + name;
  const CliResult marked = run("mark --lang en -q -o out --mark-file mark.txt" + carriers);
  ASSERT_EQ(marked.status, 0) << marked.err;
  EXPECT_NE(marked.out.find("Copyright mark: <" + kMark + ">\n"), std::string::npos);

  // Each check as text, then all of them as JSON read by one run of the parser.
  std::string checks = "[";
  std::string expected;
  for (const std::string& name : fixtures) {
    const CliResult text = run("check --lang en out/" + name);
    ASSERT_EQ(text.status, 0) << name << text.err;
    // The text shows the mark's backslash escaped, so it cannot be read as an escape.
    EXPECT_NE(text.out.find("\n  Mark: <(c) 2024 \"Murl\" tests \\\\ caff\xC3\xA8>\n"
                            "  Global integrity 100.000000%\n"),
              std::string::npos)
        << name << text.out;
    const CliResult json = run("check --json out/" + name);
    ASSERT_EQ(json.status, 0) << name << json.err;
    checks += (checks.size() > 1 ? "," : "") + json.out;
    expected += (expected.empty() ? "" : "\n") + name + " True True 100.0 3 True";
  }
  EXPECT_EQ(evalJson(dir, checks + "]",
                     "\"\\n\".join(\" \".join(map(str, (x[\"carrier\"], "
                     "x[\"mark\"].encode(\"utf-8\") == m, x[\"markHex\"] == m.hex().upper(), "
                     "x[\"integrity\"], x[\"level\"], len(x[\"positions\"]) == 100 and "
                     "all(p[\"integrity\"] == 100.0 and p[\"index\"] == i and p[\"byte\"] == b "
                     "for i, (p, b) in enumerate(zip(x[\"positions\"], "
                     "bytes.fromhex(x[\"markHex\"]) + bytes(100))))))) "
                     "for m in [open(\"mark.txt\", \"rb\").read()[:-1]] for x in d)"),
            expected);
}

TEST_F(MarkCheckCli, MarkFromTheEnvironmentAndCheckAtTheLevelsItWasMarkedWith) {
  const CliResult marked =
      run("mark --lang it -o out --level wav=5 c0.wav", "MURL_MARK='Hi there'");
  ASSERT_EQ(marked.status, 0) << marked.err;
  EXPECT_NE(marked.out.find("Marchio di Copyright: <Hi there>\n"), std::string::npos);
  EXPECT_NE(marked.out.find("WAV livello di selezione bit: Molto Alto\n"), std::string::npos);
  EXPECT_NE(marked.err.find("Carrier destinazione scritti in out"), std::string::npos);

  const CliResult right = run("check --lang en --level wav=5 out/c0.wav");
  ASSERT_EQ(right.status, 0) << right.err;
  EXPECT_EQ(right.out.rfind("c0.wav\n  Carrier bits: ", 0), 0u) << right.out;
  EXPECT_NE(right.out.find("\n  Bits selection level: Very High\nCopyright Mark\n"
                           "  Mark: <Hi there>\n  Global integrity 100.000000%\n"
                           "Hex & Integrity Details\n  #  0: 0x48 [100.000000%]\n"),
            std::string::npos)
      << right.out;
}

TEST_F(MarkCheckCli, RefusalsSayWhyAndWriteNothing) {
  writeAll(dir.file("notes.txt"), {'x'});
  writeMarkFile(std::string(101, 'm'));
  writeText("ok.txt", "ok\n");
  const std::string grey = " '" + kData + "/bmp_grey_24.bmp'";
  const std::string module = " '" + kData + "/module_pe32.dll'";
  struct Case {
    std::string args;
    int status;
    std::string said;  // on stderr
  } cases[] = {
      {"mark --lang en -o out c0.wav", 2, "No copyright mark"},
      {"mark --lang en -o out --mark-file mark.txt c0.wav", 2, "must be 1 to 100 characters"},
      {"mark --lang en -o out --mark-file missing.txt c0.wav", 2, "Couldn't read the mark file"},
      {"mark --lang en -o out --mark-file ok.txt c0.wav" + grey, 1,
       "Warning: Insufficient carrier bits!\nnot used: "},
      {"mark --lang en -o notes.txt/in --mark-file ok.txt c0.wav", 1,
       "Couldn't create the output folder: notes.txt/in"},
      {"mark --lang en -o out --mark-file ok.txt" + module + " c0.wav", 1,
       "Nothing was marked: every carrier given must be usable."},
      {"check --lang en notes.txt", 1, "Warning: No carrier bits or unsupported file type!"},
      {"check --lang en c0.wav c0.wav", 2, ""},
  };
  for (const Case& c : cases) {
    const CliResult result = run(c.args);
    EXPECT_EQ(result.status, c.status) << c.args << "\n" << result.err;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << c.args << "\n" << result.err;
    EXPECT_TRUE(result.out.empty()) << c.args;
    EXPECT_TRUE(folderNames(dir.file("out")).empty()) << c.args;
  }
}

TEST_F(MarkCheckCli, AnUnmarkedCarriersNoiseStillMakesValidJson) {
  if (std::string(MURL_PYTHON).empty()) GTEST_SKIP() << "no Python to parse the JSON";
  for (const char* name : {"bmp_v3_24.bmp", "aiff_mono.aiff", "tga_ff_raw32_tl.tga"}) {
    const CliResult json = run("check --json '" + kData + "/" + name + "'");
    ASSERT_EQ(json.status, 0) << json.err;
    // The hex holds exactly the bytes of the positions, trailing zeros left out; each position
    // has an integrity of its own.
    EXPECT_EQ(evalJson(dir, json.out,
                       "bytes.fromhex(d[\"markHex\"]) == bytes(p[\"byte\"] for p in "
                       "d[\"positions\"]).rstrip(bytes(1)), d[\"integrity\"] < 100, "
                       "len(set(p[\"integrity\"] for p in d[\"positions\"])) > 1"),
              "True True True")
        << name << json.out;
  }
}

}  // namespace
}  // namespace murl::test
