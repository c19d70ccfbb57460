#include "platform/folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "platform/locale.h"
#include "platform/system_info.h"
#include "support/scoped_env.h"

namespace murl::platform {
namespace {

TEST(Folders, PathHelpers) {
  EXPECT_EQ(joinPath("/a", "b"), "/a/b");
  EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(joinPath("", "b"), "b");
  EXPECT_EQ(baseName("/x/y/z.wav"), "z.wav");
  EXPECT_EQ(baseName("z.wav"), "z.wav");
  EXPECT_EQ(baseName("/x/y/"), "");
  EXPECT_EQ(withoutTrailingSeparators("/x/y//"), "/x/y");
  EXPECT_EQ(withoutTrailingSeparators("/"), "/");
  EXPECT_EQ(withoutTrailingSeparators("//"), "/");
}

// Backslashes and drives are Windows' own: elsewhere a backslash or a colon is part of a name.
TEST(Folders, BackslashesAndDrivesSeparateOnlyOnWindows) {
  const struct {
    const char* path;
    const char* windowsBase;
    const char* posixBase;
  } cases[] = {
      {"C:\\Music\\song.wav", "song.wav", "C:\\Music\\song.wav"},
      {"C:song.wav", "song.wav", "C:song.wav"},
      {"C:\\", "", "C:\\"},
      {"out/a\\b.wav", "b.wav", "a\\b.wav"},
      {"\\\\server\\share\\x", "x", "\\\\server\\share\\x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(baseName(c.path), kBackslashSeparates ? c.windowsBase : c.posixBase) << c.path;
  EXPECT_EQ(isPathSeparator('\\'), kBackslashSeparates);
  EXPECT_TRUE(isPathSeparator('/'));
  EXPECT_EQ(joinPath("C:\\out\\", "a.wav"),
            kBackslashSeparates ? "C:\\out\\a.wav" : "C:\\out\\/a.wav");
}

TEST(Folders, AbsolutePathKeepsUtf8Names) {
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  EXPECT_EQ(absolutePath("Relazione è pronta.txt"), std::string(here) + "/Relazione è pronta.txt");
  EXPECT_EQ(absolutePath("/già/assoluto"), "/già/assoluto");
}

TEST(Locale, LanguageAndSeparatorFollowTheLocaleVariables) {
  test::ScopedEnv env;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) env.set(name, nullptr);
  EXPECT_EQ(detectLanguage(), Language::kEnglish);
  ::setenv("LANG", "it_IT.UTF-8", 1);
  EXPECT_EQ(detectLanguage(), Language::kItalian);
  ::setenv("LC_MESSAGES", "en_GB.UTF-8", 1);  // more specific than LANG
  EXPECT_EQ(detectLanguage(), Language::kEnglish);
  ::setenv("LC_ALL", "it_CH", 1);
  EXPECT_EQ(detectLanguage(), Language::kItalian);
  EXPECT_EQ(detectLanguage(Language::kEnglish), Language::kEnglish);
  ::setenv("LC_ALL", "", 1);  // empty means unset
  EXPECT_EQ(detectLanguage(), Language::kEnglish);
  ::setenv("LC_ALL", "C", 1);  // the C locale has no thousand separator
  EXPECT_EQ(thousandSeparator(), ".");
}

TEST(SystemInfo, RecordsHaveTheirStoredLayout) {
  SystemTime t{2026, 12, 0, 6, 12, 34, 56, 789};
  auto bytes = serialise(t);
  EXPECT_EQ(bytes[0], 0xEA);  // 2026 little-endian
  EXPECT_EQ(bytes[1], 0x07);
  EXPECT_EQ(bytes[14], 0x15);  // 789
  EXPECT_EQ(bytes[15], 0x03);
  SystemInfo info;
  info.pageSize = 0x1000;
  info.processorRevision = 0xABCD;
  auto record = serialise(info);
  EXPECT_EQ(record[5], 0x10);
  EXPECT_EQ(record[34], 0xCD);
  EXPECT_EQ(record[35], 0xAB);
  SystemTime now = utcNow();
  EXPECT_GE(now.year, 2024);
  EXPECT_LE(now.milliseconds, 999);
  uint8_t a[32] = {}, b[32] = {};
  ASSERT_TRUE(osRandomBytes(a, sizeof a));
  ASSERT_TRUE(osRandomBytes(b, sizeof b));
  EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
}

}  // namespace
}  // namespace murl::platform
