#include "runtime/win32/system_reason.h"

#include "runtime/win32/wide.h"

namespace rt::win32 {

std::string SystemReason(DWORD error) {
  wchar_t text[512];
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, 512, nullptr);
  while (length > 0 &&
         (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
    --length;
  if (length == 0) return "System error " + std::to_string(error) + ".";
  return Narrow(std::wstring_view(text, length));
}

}  // namespace rt::win32
