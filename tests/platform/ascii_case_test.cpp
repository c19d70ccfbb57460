#include "platform/ascii_case.h"

#include <gtest/gtest.h>

namespace murl {
namespace {

TEST(AsciiCase, FoldsOnlyTheAsciiCapitals) {
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    const char expected = b >= 'A' && b <= 'Z' ? static_cast<char>(b + 32) : c;
    ASSERT_EQ(asciiLower(c), expected) << b;
  }
  EXPECT_EQ(asciiLowered("Molto BASSO.Wav"), "molto basso.wav");
  EXPECT_TRUE(equalsIgnoringAsciiCase("FoRM", "form"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("form", "forms"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("\xC0", "\xE0"));  // Latin-1 letters stay apart
  EXPECT_FALSE(equalsIgnoringAsciiCase("[", "{"));        // the bytes after Z and z
}

}  // namespace
}  // namespace murl
