// The committed carriers of other tools (ImageMagick, sox, modules linked by mingw-w64) through
// murl-cli: one hide over all of them, in an order that mixes the formats, then unhide, at levels
// other than the defaults.
#include <gtest/gtest.h>

#include "platform/file_system.h"
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
  if (!platform::realFileSystem().fileExists(MURL_CLI_PATH))
    GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  // Random bytes do not compress: the stream needs nearly every fixture.
  const std::vector<uint8_t> secret = randomBytes(3700, 11);
  const FixtureRun run = prepareFixtureRun(dir, secret, kFixtures);
  const std::string levels = " --level bmp=2 --level aif=1 --level au=1 --level wav=1";
  const CliResult hidden =
      runCli(dir, "hide --lang en -o out --password-file pw.txt" + levels + run.carriers + " src");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  // Only the modules' wave resources chose units by the WAV level.
  EXPECT_NE(hidden.out.find("\nWAV bits selection level: Very Low\n"), std::string::npos)
      << hidden.out;
  for (const char* name : kFixtures) {
    ASSERT_TRUE(platform::realFileSystem().fileExists(dir.file(std::string("out/") + name)))
        << name;
  }
  ASSERT_EQ(
      runCli(dir, "unhide --lang en -o back --password-file pw.txt" + levels + " --" + run.targets)
          .status,
      0);
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
}

}  // namespace
}  // namespace murl::test
