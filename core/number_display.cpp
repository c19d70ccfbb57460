#include "core/number_display.h"

#include "platform/locale.h"

namespace murl {

std::string formatCount(uint32_t value, const std::string& separator) {
  std::string digits = std::to_string(value);
  std::string text;
  text.reserve(digits.size() + 3 * separator.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

std::string formatCount(uint32_t value) {
  // The separator cannot change while the program runs: read it once.
  static const std::string separator = platform::thousandSeparator();
  return formatCount(value, separator);
}

}  // namespace murl
