// The committed carriers of other tools (ImageMagick, sox, modules linked by mingw-w64) through
// murl-cli: one hide over all of them, in an order that mixes the formats, then unhide, at levels
// other than the defaults.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "support/cli_run.h"
#include "support/random_bytes.h"

namespace murl::test {
namespace {

const char* const kFixtures[] = {
    "bmp_grey_24.bmp", "aiff_stereo.aiff", "bmp_v4_32.bmp",   "au_unknown_size.au",
    "bmp_v5_32.bmp",   "aiff_mono.aiff",   "module_pe64.exe", "bmp_v3_32.bmp",
    "au_mono.au",      "bmp_v5_24.bmp",    "module_pe32.dll", "bmp_v3_24.bmp",
};

TEST(BmpSoundCli, HideAndUnhideOverTheFixturesOfOtherTools) {
  if (!platform::fileExists(MURL_CLI_PATH)) GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  for (const char* folder : {"src", "out", "back"})
    std::filesystem::create_directory(dir.file(folder));
  const std::string password = "a password for the fixtures\n";
  writeAll(dir.file("pw.txt"), {password.begin(), password.end()});
  // Random bytes do not compress: the stream needs nearly every fixture.
  const std::vector<uint8_t> secret = randomBytes(3700, 11);
  writeAll(dir.file("src/secret.bin"), secret);
  const std::string levels = " --level bmp=2 --level aif=1 --level au=1 --level wav=1";
  std::string carriers, targets;
  for (const char* name : kFixtures) {
    carriers += std::string(" -c '") + MURL_TEST_DATA_DIR + "/" + name + "'";
    targets += std::string(" out/") + name;
  }
  const CliResult hidden =
      runCli(dir, "hide --lang en -o out --password-file pw.txt" + levels + carriers + " src");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  // Only the modules' wave resources chose units by the WAV level.
  EXPECT_NE(hidden.out.find("\nWAV bits selection level: Very Low\n"), std::string::npos)
      << hidden.out;
  for (const char* name : kFixtures) {
    ASSERT_TRUE(platform::fileExists(dir.file(std::string("out/") + name))) << name;
  }
  ASSERT_EQ(
      runCli(dir, "unhide --lang en -o back --password-file pw.txt" + levels + " --" + targets)
          .status,
      0);
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
}

}  // namespace
}  // namespace murl::test
