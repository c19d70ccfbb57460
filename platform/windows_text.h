#pragma once
// What the Windows implementation's files share: UTF-8 names turned into the UTF-16 the system
// takes, with the long-path form where a name would pass the classic 260-character limit.
#include <string>

namespace murl::platform::windows {

std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);
// The path as the wide-character file calls take it: as given while it is short; else made
// absolute in the "\\?\" form, which lifts the limit.
std::wstring systemPath(const std::string& path);
// The absolute name in the "\\?\" form, whatever its length.
std::wstring longPath(const std::string& path);

}  // namespace murl::platform::windows
