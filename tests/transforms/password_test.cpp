#include "transforms/password.h"

#include <gtest/gtest.h>

#include <string>

namespace murl {
namespace {

// The companion key byte worked out in 64-bit arithmetic: the 32-bit results are taken with
// explicit masks, the logical shift on the masked value, the arithmetic one by floor division.
uint8_t referenceCompanion(uint8_t byte, int64_t i) {
  const int64_t c = byte >= 128 ? int64_t{byte} - 256 : int64_t{byte};
  const int64_t m32 = 0xFFFFFFFF;
  auto low8 = [](int64_t v) { return v & 0xFF; };
  auto floorHalf = [](int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  int64_t q = 0;
  switch (i % 8) {
    case 0:
      q = (c + low8(((c * 0x6142 + (c & 0x1F) * i - i * 0x71) & m32) / 2)) * 2;
      break;
    case 1:
      q = c - low8(c * 0x4364 - (c & 0x3F) * i + i * 0x52);
      break;
    case 2:
      q = floorHalf(c + low8((c * 0x6546 + (c & 0x5F) * i - i * 0x73) * 2));
      break;
    case 3:
      q = (c - low8(((c * 0x4768 - (c & 0x7F) * i + i * 0x54) & m32) / 2)) * 2;
      break;
    case 4:
      q = c + low8(c * 0x694A + (c & 0x9F) * i - i * 0x75);
      break;
    case 5:
      q = floorHalf(c - low8((c * 0x4B6C - (c & 0xAF) * i + i * 0x56) * 2));
      break;
    case 6:
      q = (c + low8(((c * 0x6D4E + (c & 0xCF) * i - i * 0x77) & m32) / 2)) * 2;
      break;
    default:
      q = c - low8(c * 0x4F70 - (c & 0xEF) * i + i * 0x58);
      break;
  }
  return static_cast<uint8_t>(q & 0xFF);
}

TEST(CompanionKey, EveryByteAtEveryPositionMatchesTheTable) {
  for (uint32_t i = 0; i < Password::kMaxLength; ++i)
    for (int byte = 0; byte < 256; ++byte)
      ASSERT_EQ(companionKeyByte(static_cast<uint8_t>(byte), i),
                referenceCompanion(static_cast<uint8_t>(byte), i))
          << "byte " << byte << " at " << i;
}

TEST(CompanionKey, WorkedValues) {
  // 'A' at 0: t = (65 * 0x6142) shr 1 = 809,185 (low byte 0xE1); Q = (65 + 225) * 2 -> 0x44.
  EXPECT_EQ(companionKeyByte('A', 0), 0x44);
  // 0x80 at 0: c = -128, t = (-128 * 0x6142 mod 2^32) shr 1 = 0x7FE7AF80; Q = (-128 + 128) * 2.
  EXPECT_EQ(companionKeyByte(0x80, 0), 0x00);
  // 0xFF at 4: c = -1, t = -0x694A + 0x9F * 4 - 4 * 0x75 = -26,786 (low byte 0x5E); Q = -1 + 94.
  EXPECT_EQ(companionKeyByte(0xFF, 4), 93);
}

TEST(CompanionKey, TakeDerivesItForEachCharacterAndKeepsThirtyTwo) {
  const std::string text = "Pa\x80\xFFss word with 40 characters, far too many";
  Password password;
  password.take(text);
  ASSERT_EQ(password.length(), 32u);
  EXPECT_EQ(password.text(), text.substr(0, 32));
  for (uint32_t i = 0; i < 32; ++i)
    EXPECT_EQ(password.companion()[i], referenceCompanion(static_cast<uint8_t>(text[i]), i));
  EXPECT_EQ(password.bytes()[32], 0);
  password.take("sixteen chars ok");
  EXPECT_EQ(password.length(), 16u);
  EXPECT_EQ(password.bytes()[16], 0);  // nothing of the longer password is left behind
  password.clear();
  EXPECT_EQ(password.length(), 0u);
  EXPECT_EQ(password.bytes()[0], 0);
}

TEST(PasswordRules, LengthAndExactRepetition) {
  EXPECT_FALSE(Password::accepted("fifteen chars!!", "fifteen chars!!"));
  EXPECT_TRUE(Password::accepted("sixteen chars ok", "sixteen chars ok"));
  EXPECT_FALSE(Password::accepted("sixteen chars ok", "Sixteen chars ok"));
  EXPECT_FALSE(Password::accepted("sixteen chars ok", "sixteen chars ok "));
  EXPECT_FALSE(Password::accepted("sixteen chars ok ", "sixteen chars ok"));
  EXPECT_TRUE(Password::accepted(std::string(32, 'x'), std::string(32, 'x')));
  EXPECT_FALSE(Password::accepted(std::string(33, 'x'), std::string(33, 'x')));
}

TEST(PasswordRules, TrailingSpaceMakesAnotherPassword) {
  Password plain, spaced;
  plain.take("sixteen chars ok");
  spaced.take("sixteen chars ok ");
  EXPECT_NE(plain.text(), spaced.text());
  EXPECT_EQ(spaced.length(), 17u);
}

}  // namespace
}  // namespace murl
