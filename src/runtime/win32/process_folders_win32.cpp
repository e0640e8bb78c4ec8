// The process's folders on Windows: the current one, the program's own and
// the system's drive.
#include <windows.h>

#include <string>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/win32/system_reason.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt {

void rtcChangeDir(const std::string& path) {
  if (!::SetCurrentDirectoryW(win32::Widen(path).c_str()))
    throw RuntimeError("could not change the current folder", {{"Folder", path}},
                       win32::SystemReason(::GetLastError()));
}

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      throw RuntimeError("could not find the program's folder", {},
                         win32::SystemReason(::GetLastError()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: a longer path
  }
  // The system may give the name in its long form ("\\?\C:\...",
  // "\\?\UNC\srv\share\..."). Wine gives a program started from a share as
  // "UNC\srv\share\...", which is no path of its own.
  if (path.starts_with(L"UNC\\")) path.replace(0, 3, L"\\");
  return FolderOfFile(win32::Narrow(windows_path::PlainForm(std::move(path))));
}

std::string SystemDriveRoot() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
  const std::string windows =
      win32::Narrow(std::wstring_view(folder, length <= MAX_PATH ? length : 0));
  if (!HasDrivePrefix(windows)) return "C:\\";
  return {windows[0], ':', '\\'};
}

}  // namespace rt
