#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace murl::platform {

enum class Language : uint8_t { kEnglish = 0, kItalian = 1 };

// Italian when the user's locale says so, English otherwise: on POSIX systems when the first of
// LC_ALL, LC_MESSAGES and LANG set and non-empty starts with "it"; on Windows when the user's
// interface language is Italian. An override (from tests or --lang) wins.
Language detectLanguage(std::optional<Language> override = std::nullopt);

// The thousand separator of the user's numeric locale; "." when the locale has none.
std::string thousandSeparator();

}  // namespace murl::platform
