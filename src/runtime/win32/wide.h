// Text conversion between the runtime's UTF-8 and the UTF-16 of the wide Win32 APIs.
#pragma once

#include <string>
#include <string_view>

namespace rt::win32 {

// UTF-8 to UTF-16; an invalid byte becomes U+FFFD.
std::wstring Widen(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view text);

}  // namespace rt::win32
