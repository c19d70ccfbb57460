#include "cli/escaping.h"

#include <gtest/gtest.h>

namespace murl::cli {
namespace {

TEST(Escaping, JsonStringsCarryEveryByte) {
  struct Case {
    std::string bytes;
    std::string json;
  } cases[] = {
      {"plain words", "\"plain words\""},
      {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
      {"tab\tnew\nline", "\"tab\\tnew\\nline\""},
      {std::string("\0\x01\x1F\x7F", 4), "\"\\u0000\\u0001\\u001F\\u007F\""},
      {"caff\xC3\xA8 \xE2\x82\xAC \xF0\x9F\x8E\xB5",
       "\"caff\xC3\xA8 \xE2\x82\xAC \xF0\x9F\x8E\xB5\""},
      {"\xC2\x85\xC2\x9F\xC2\xA0", "\"\\u0085\\u009F\xC2\xA0\""},  // C1 controls, then NBSP
      {"\xFF\xFE", "\"\\u00FF\\u00FE\""},
      {"end\xC3", "\"end\\u00C3\""},                             // cut short
      {"\xC0\xAF", "\"\\u00C0\\u00AF\""},                        // an overlong "/"
      {"\xED\xA0\x80", "\"\\u00ED\\u00A0\\u0080\""},             // a surrogate
      {"\xF4\x90\x80\x80", "\"\\u00F4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
      {"\xE0\x9F\xBF", "\"\\u00E0\\u009F\\u00BF\""},             // overlong three bytes
      {"", "\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(jsonString(c.bytes), c.json) << c.json;
}

TEST(Escaping, TerminalTextShowsControlsAndStrayBytesAsLsDoes) {
  EXPECT_EQ(terminalText("\x1B[2J\x07ok"), "\\033[2J\\aok");
  EXPECT_EQ(terminalText("caff\xC3\xA8 \xE2\x82\xAC"), "caff\xC3\xA8 \xE2\x82\xAC");
  EXPECT_EQ(terminalText("\xC2\x9B"
                         "31m\x9B"
                         "1m"),
            "\\302\\23331m\\2331m");
  EXPECT_EQ(terminalText("\xFF line\n"), "\\377 line\\n");
  EXPECT_EQ(terminalText("a\\b\tc"), "a\\\\b\\tc");
  EXPECT_EQ(terminalText("one\ntwo\x7F\n", true), "one\ntwo\\177\n");
}

}  // namespace
}  // namespace murl::cli
