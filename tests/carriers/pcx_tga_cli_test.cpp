// The committed PCX and TGA images of ImageMagick, ffmpeg and netpbm through murl-cli: one hide
// over all of them with the output options turning every coding around, then unhide.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/cli_run.h"
#include "support/random_bytes.h"
#include "support/raster_builder.h"

namespace murl::test {
namespace {

// In an order that mixes the formats; the grey ones, with the fewest bits, last.
const char* const kFixtures[] = {
    "tga_im_rle_bl.tga",   "pcx_im_raw.pcx",  "tga_ff_raw32_tl.tga",   "pcx_ff_odd.pcx",
    "tga_netpbm_grey.tga", "pcx_im_rle.pcx",  "tga_ff_rle_tl.tga",     "pcx_netpbm.pcx",
    "tga_im_raw_bl.tga",   "pcx_im_grey.pcx", "tga_netpbm_rle_id.tga", "tga_im_grey.tga",
};

// The decoded pixels of source and target differ at most in bit 0 of colour bytes.
void expectSamePicture(const std::string& name, const std::vector<uint8_t>& source,
                       const std::vector<uint8_t>& target) {
  const bool pcx = name.ends_with(".pcx");
  const std::vector<uint8_t> before = pcx ? decodePcx(source).lines : decodeTga(source).pixels;
  const std::vector<uint8_t> after = pcx ? decodePcx(target).lines : decodeTga(target).pixels;
  ASSERT_EQ(before.size(), after.size()) << name;
  const size_t pixelBytes = pcx ? 1 : source[16] / 8;
  const size_t planeLine = pcx ? source[66] | (source[67] << 8) : 0;
  const size_t width =
      pcx ? (source[8] | (source[9] << 8)) - (source[4] | (source[5] << 8)) + 1 : 0;
  for (size_t i = 0; i < before.size(); ++i) {
    const bool padding = pcx && i % planeLine >= width;  // coded anew as zero
    const uint8_t mayChange = padding ? 0xFF : (i % pixelBytes < 3 ? 1 : 0);
    ASSERT_EQ((before[i] ^ after[i]) & ~mayChange, 0) << name << " byte " << i;
  }
}

TEST(PcxTgaCli, HideAndUnhideOverTheImagesOfOtherToolsWithTheirCodingTurnedAround) {
  if (!platform::realFileSystem().fileExists(MURL_CLI_PATH))
    GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  // Random bytes do not compress: the stream needs every image.
  const std::vector<uint8_t> secret = randomBytes(3220, 11);
  const FixtureRun run = prepareFixtureRun(dir, secret, kFixtures);
  const std::string levels = " --level pcx=2 --level tga=2";
  ASSERT_EQ(
      runCli(dir, "hide --lang en --quiet -o out --password-file pw.txt" + levels +
                      " --pcx-output compressed --tga-output uncompressed" + run.carriers + " src")
          .status,
      0);
  for (const std::string name : kFixtures) {
    const auto source = readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
    const auto target = readAll(dir.file("out/" + name));
    ASSERT_FALSE(target.empty()) << name;
    if (name.ends_with(".pcx")) {
      EXPECT_EQ(target[2], 1) << name;
    } else {
      EXPECT_LT(target[2], 9) << name;
    }
    expectSamePicture(name, source, target);
  }
  ASSERT_EQ(
      runCli(dir, "unhide --lang en -o back --password-file pw.txt" + levels + " --" + run.targets)
          .status,
      0);
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
}

}  // namespace
}  // namespace murl::test
