#include <windows.h>

#include "platform/locale.h"
#include "platform/windows_text.h"

namespace murl::platform {

// The language of the user's interface, as Windows keeps it for each user.
Language detectLanguage(std::optional<Language> override) {
  if (override) return *override;
  return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_ITALIAN ? Language::kItalian
                                                                     : Language::kEnglish;
}

std::string thousandSeparator() {
  wchar_t separator[8] = {};
  int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
  std::string text = n > 1 ? windows::utf8FromWide(separator) : "";
  return text.empty() ? "." : text;
}

}  // namespace murl::platform
