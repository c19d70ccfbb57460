#include <langinfo.h>
#include <locale.h>

#include <cstdlib>

#include "platform/locale.h"

namespace murl::platform {
namespace {

const char* firstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return nullptr;
}

}  // namespace

Language detectLanguage(std::optional<Language> override) {
  if (override) return *override;
  const char* locale = firstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
  if (locale && locale[0] == 'i' && locale[1] == 't') return Language::kItalian;
  return Language::kEnglish;
}

std::string thousandSeparator() {
  std::string separator;
  // A private locale object: the process-wide locale stays as it is.
  locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (numeric != static_cast<locale_t>(0)) {
    const char* sep = ::nl_langinfo_l(THOUSEP, numeric);
    if (sep) separator = sep;
    ::freelocale(numeric);
  }
  return separator.empty() ? "." : separator;
}

}  // namespace murl::platform
