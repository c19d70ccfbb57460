#include "transforms/password.h"

#include <gtest/gtest.h>

#include <string>

#include "support/data_lines.h"

namespace murl {
namespace {

TEST(CompanionKey, EveryByteAtEveryPositionMatchesTheKnownAnswers) {
  const auto lines = test::dataLines("companion_key.txt");
  ASSERT_EQ(lines.size(), Password::kMaxLength);
  for (uint32_t i = 0; i < Password::kMaxLength; ++i) {
    const std::vector<uint8_t> expected = test::fromHex(lines[i][0]);
    ASSERT_EQ(expected.size(), 256u);
    for (int byte = 0; byte < 256; ++byte)
      ASSERT_EQ(companionKeyByte(static_cast<uint8_t>(byte), i), expected[byte])
          << "byte " << byte << " at " << i;
  }
}

TEST(CompanionKey, TakeDerivesItForEachCharacterAndKeepsThirtyTwo) {
  const std::string text = "Pa\x80\xFFss word with 40 characters, far too many";
  Password password;
  password.take(text);
  ASSERT_EQ(password.length(), 32u);
  EXPECT_EQ(password.text(), text.substr(0, 32));
  for (uint32_t i = 0; i < 32; ++i)
    EXPECT_EQ(password.companion()[i], companionKeyByte(static_cast<uint8_t>(text[i]), i));
  EXPECT_EQ(password.bytes()[32], 0);
  password.take("sixteen chars ok ");
  EXPECT_EQ(password.length(), 17u);   // a trailing space is part of the password
  EXPECT_EQ(password.bytes()[17], 0);  // nothing of the longer password is left behind
  password.clear();
  EXPECT_EQ(password.length(), 0u);
  EXPECT_EQ(password.bytes()[0], 0);
}

TEST(PasswordRules, SixteenToThirtyTwoCharactersTypedTwiceAlike) {
  const struct {
    std::string first, second;
    bool accepted;
  } rows[] = {
      {"fifteen chars!!", "fifteen chars!!", false},
      {"sixteen chars ok", "sixteen chars ok", true},
      {"sixteen chars ok", "Sixteen chars ok", false},
      {"sixteen chars ok", "sixteen chars ok ", false},
      {"sixteen chars ok ", "sixteen chars ok", false},
      {std::string(32, 'x'), std::string(32, 'x'), true},
      {std::string(33, 'x'), std::string(33, 'x'), false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Password::accepted(row.first, row.second), row.accepted) << row.first;
}

}  // namespace
}  // namespace murl
