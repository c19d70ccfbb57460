// The mingw-w64 modules through murl-cli as a user would run it: capacity, one hide over both
// modules and a bitmap at levels other than the defaults, the Process Report naming the levels
// of the modules' resources, then unhide.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "support/cli_run.h"
#include "support/random_bytes.h"

namespace murl::test {
namespace {

const char* const kCarriers[] = {"module_pe64.exe", "module_pe32.dll", "bmp_v3_24.bmp"};

TEST(ModuleCli, HideAndUnhideOverModulesOfAnotherToolchain) {
  if (!platform::fileExists(MURL_CLI_PATH)) GTEST_SKIP() << "murl-cli is not built";
  TempDir dir;
  for (const char* folder : {"src", "out", "back"})
    std::filesystem::create_directory(dir.file(folder));
  const std::string password = "a password for the modules\n";
  writeAll(dir.file("pw.txt"), {password.begin(), password.end()});
  // Random bytes do not compress: the stream needs all three carriers.
  const std::vector<uint8_t> secret = randomBytes(1800, 21);
  writeAll(dir.file("src/secret.bin"), secret);
  const std::string levels = " --level bmp=2 --level wav=1";
  std::string sources, carriers, targets;
  for (const char* name : kCarriers) {
    const std::string path = std::string(" '") + MURL_TEST_DATA_DIR + "/" + name + "'";
    sources += path;
    carriers += " -c" + path;
    targets += std::string(" out/") + name;
  }
  const CliResult capacity = runCli(dir, "capacity --lang en" + levels + " --" + sources);
  ASSERT_EQ(capacity.status, 0) << capacity.err;
  EXPECT_NE(capacity.out.find("module_pe32.dll  PE module"), std::string::npos) << capacity.out;
  const CliResult hidden =
      runCli(dir, "hide --lang en -o out --password-file pw.txt" + levels + carriers + " src");
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  EXPECT_NE(hidden.out.find("#00002:"), std::string::npos) << hidden.out;
  EXPECT_NE(hidden.out.find("BMP bits selection level: Low\nWAV bits selection level: Very Low"),
            std::string::npos)
      << hidden.out;
  for (const char* name : kCarriers) {
    const auto source = readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
    EXPECT_EQ(readAll(dir.file(std::string("out/") + name)).size(), source.size()) << name;
  }
  const CliResult back =
      runCli(dir, "unhide --lang en -o back --password-file pw.txt" + levels + " --" + targets);
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(readAll(dir.file("back/src/secret.bin")), secret);
}

}  // namespace
}  // namespace murl::test
