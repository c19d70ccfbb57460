// The committed PNG fixtures of ImageMagick through murl-cli with every PNG option away from its
// default: one hide over all of them at level 0, then unhide with the level alone.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/cli_run.h"
#include "support/png_builder.h"
#include "support/random_bytes.h"

namespace murl::test {
namespace {

const char* const kFixtures[] = {
    "png_rgb8.png",       "png_ga16.png",        "png_adam7_narrow.png",
    "png_rgba16.png",     "png_grey8.png",       "png_grey16.png",
    "png_adam7_rgb8.png", "png_rgb16_split.png", "png_ga8.png",
};

TEST(PngCli, HideAndUnhideWithEveryPngOption) {
  if (!platform::realFileSystem().fileExists(MURL_CLI_PATH))
    GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  // Random bytes do not compress: the stream needs every fixture.
  const std::vector<uint8_t> secret = randomBytes(2750, 12);
  const FixtureRun run = prepareFixtureRun(dir, secret, kFixtures);
  const std::string writing = " --png-output interlaced --png-compression 6 --png-chunk 0";
  ASSERT_EQ(runCli(dir, "hide --lang en --quiet -o out --password-file pw.txt --level png=0" +
                            writing + run.carriers + " src")
                .status,
            0);
  for (const char* name : kFixtures) {
    const auto target = readAll(dir.file(std::string("out/") + name));
    ASSERT_FALSE(target.empty()) << name;
    const auto chunks = pngChunks(target);
    ASSERT_FALSE(chunks.empty()) << name;
    EXPECT_EQ(chunks[0].data[12], 1) << name;  // stored interlaced
    EXPECT_TRUE(chunks[0].crcMatches) << name;
  }
  ASSERT_EQ(
      runCli(dir, "unhide --lang en -o back --password-file pw.txt --level png=0 --" + run.targets)
          .status,
      0);
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
}

}  // namespace
}  // namespace murl::test
