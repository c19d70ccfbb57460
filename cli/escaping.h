#pragma once
// Texts of unknown bytes (a mark rebuilt from a carrier may hold any) made safe to print.
// Well-formed UTF-8 passes unchanged, except control characters.
#include <string>
#include <string_view>

namespace murl::cli {

// A JSON string, quotes included: quotes, backslashes and control characters (C0, DEL, C1)
// escaped. A byte that begins no well-formed UTF-8 sequence stands for the character of the
// same number (as in Latin-1), escaped, so the result is always valid UTF-8 and every byte shows.
std::string jsonString(std::string_view bytes);

// For a terminal: control characters, bytes outside well-formed UTF-8 and backslashes are shown
// escaped as `ls -b` shows them ("\t", "\033", "\377", "\\"), so a text can neither move the
// cursor nor change the terminal's state, and no two texts look alike. With `keepLineBreaks`, a
// multi-line text keeps its "\n".
std::string terminalText(std::string_view bytes, bool keepLineBreaks = false);

}  // namespace murl::cli
