// Text conversions and comparisons for what the driver reads and prints.
#pragma once

#include <string>
#include <string_view>

namespace e2e {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// "\r\n" becomes "\n": line breaks as a scenario writes them.
std::wstring WithUnixLineBreaks(std::wstring text);

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b);
bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix);

// The text in double quotes, line breaks shown as \n, for messages.
std::wstring Quoted(std::wstring_view text);

}  // namespace e2e
