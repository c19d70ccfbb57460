// The committed carriers of other tools, of every format, through murl-cli: one hide over all of
// them in an order that mixes the formats, at levels and with output options other than the
// defaults, then unhide; unhide at the default levels finds no stream.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "support/cli_run.h"
#include "support/random_bytes.h"

namespace murl::test {
namespace {

const char* const kFixtures[] = {
    "bmp_grey_24.bmp",       "aiff_stereo.aiff",
    "png_rgb8.png",          "jpeg_cjpeg_444.jpg",
    "tga_im_rle_bl.tga",     "module_pe64.exe",
    "pcx_im_raw.pcx",        "mp3_mpeg25_cbr32_joint.mp3",
    "bmp_v4_32.bmp",         "au_unknown_size.au",
    "png_ga16.png",          "jpeg_magick_422.jpg",
    "tga_ff_raw32_tl.tga",   "pcx_ff_odd.pcx",
    "bmp_v5_32.bmp",         "aiff_mono.aiff",
    "png_adam7_narrow.png",  "jpeg_cjpeg_restart.jpg",
    "module_pe32.dll",       "tga_netpbm_grey.tga",
    "pcx_im_grey.pcx",       "mp3_id3v2_picture_id3v1.mp3",
    "png_rgb16_split.png",   "jpeg_ffmpeg_420.jpg",
    "bmp_v3_24.bmp",         "au_mono.au",
    "tga_netpbm_rle_id.tga", "pcx_netpbm.pcx",
    "png_grey16.png",        "jpeg_after_eoi.jpg",
};

TEST(CliFixtures, HideAndUnhideOverTheFilesOfOtherToolsOfEveryFormat) {
  if (!platform::realFileSystem().fileExists(MURL_CLI_PATH))
    GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  // Random bytes do not compress: the stream needs nearly every fixture.
  const std::vector<uint8_t> secret = randomBytes(8200, 11);
  const FixtureRun run = prepareFixtureRun(dir, secret, kFixtures);
  const std::string levels =
      " --level bmp=2 --level aif=1 --level au=1 --level wav=1 --level pcx=2 --level tga=2"
      " --level png=0 --level jpg=0 --level mp3=2";
  const CliResult hidden =
      runCli(dir, "hide --lang en -o out --password-file pw.txt" + levels +
                      " --pcx-output compressed --tga-output uncompressed --png-output interlaced"
                      " --png-compression 6 --png-chunk 0" +
                      run.carriers + " src");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  // Only the modules' wave resources chose units by the WAV level.
  EXPECT_NE(hidden.out.find("\nWAV bits selection level: Very Low\n"), std::string::npos)
      << hidden.out;
  for (const char* name : kFixtures) {
    EXPECT_TRUE(platform::realFileSystem().fileExists(dir.file(std::string("out/") + name)))
        << name;
  }
  const CliResult back =
      runCli(dir, "unhide --lang en -o back --password-file pw.txt" + levels + " --" + run.targets);
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
  std::filesystem::create_directory(dir.file("other"));
  EXPECT_NE(runCli(dir, "unhide --lang en -o other --password-file pw.txt --" + run.targets).status,
            0);
  EXPECT_FALSE(platform::realFileSystem().fileExists(dir.file("other/src/secret.bin")));
}

}  // namespace
}  // namespace murl::test
