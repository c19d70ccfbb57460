// The committed JPEG files of cjpeg, ImageMagick and ffmpeg through murl-cli at a level other
// than the default: one hide over all of them, then unhide; another level finds no stream.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "support/cli_run.h"
#include "support/random_bytes.h"

namespace murl::test {
namespace {

const char* const kFixtures[] = {
    "jpeg_cjpeg_444.jpg",           "jpeg_magick_422.jpg",  "jpeg_cjpeg_restart.jpg",
    "jpeg_ffmpeg_420.jpg",          "jpeg_cjpeg_grey.jpg",  "jpeg_cjpeg_noninterleaved_420.jpg",
    "jpeg_cjpeg_optimized_422.jpg", "jpeg_magick_exif.jpg", "jpeg_cjpeg_icc_com.jpg",
    "jpeg_after_eoi.jpg",
};

TEST(JpegCli, HideAndUnhideOverTheFixturesOfOtherTools) {
  if (!platform::realFileSystem().fileExists(MURL_CLI_PATH))
    GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  for (const char* folder : {"src", "out", "back", "other"}) {
    std::filesystem::create_directory(dir.file(folder));
  }
  const std::string password = "a password for the fixtures\n";
  writeAll(dir.file("pw.txt"), {password.begin(), password.end()});
  const std::vector<uint8_t> secret = randomBytes(700, 12);
  writeAll(dir.file("src/secret.bin"), secret);
  std::string carriers, targets;
  for (const char* name : kFixtures) {
    carriers += std::string(" -c '") + MURL_TEST_DATA_DIR + "/" + name + "'";
    targets += std::string(" out/") + name;
  }
  ASSERT_EQ(runCli(dir, "hide --lang en --quiet -o out --password-file pw.txt --level jpg=0" +
                            carriers + " src")
                .status,
            0);
  ASSERT_EQ(
      runCli(dir, "unhide --lang en -o back --password-file pw.txt --level jpg=0 --" + targets)
          .status,
      0);
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
  EXPECT_NE(
      runCli(dir, "unhide --lang en -o other --password-file pw.txt --level jpg=1 --" + targets)
          .status,
      0);
  EXPECT_FALSE(platform::realFileSystem().fileExists(dir.file("other/src/secret.bin")));
}

}  // namespace
}  // namespace murl::test
