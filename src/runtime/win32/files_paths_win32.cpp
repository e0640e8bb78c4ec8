// Paths and errors of the Windows file functions: a path of the runtime made
// full against the process's current folders (windows_path.h), and the
// run-time error of a failed call. The runtime makes each path full itself,
// so that the system, given it in the "\\?\" form, takes every name as it
// stands: "trailing." is not "trailing", "aux" is a file and not a device,
// and "a:b.txt" inside a folder is not a path on drive A:.
#include <windows.h>

#include <string>
#include <utility>

#include "runtime/error.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/system_reason.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt::win32 {

std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(size ? ::GetCurrentDirectoryW(size, folder.data()) : 0);
  return windows_path::PlainForm(std::move(folder));
}

std::wstring CurrentFolderOf(wchar_t letter) {
  const wchar_t drive[] = {letter, L':', 0};
  const DWORD size = ::GetFullPathNameW(drive, 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  full.resize(size ? ::GetFullPathNameW(drive, size, full.data(), nullptr) : 0);
  if (full.empty()) return {letter, L':', L'\\'};
  return windows_path::PlainForm(std::move(full));
}

std::wstring FullPath(const std::string& path, const Details& details) {
  constexpr windows_path::CurrentFolders<wchar_t> kCurrent{CurrentFolder, CurrentFolderOf};
  return windows_path::ValidFullPath(Widen(path), kCurrent, details);
}

void Fail(const std::string& action, const Details& details, DWORD error,
          const std::wstring& full) {
  RaiseIfDriveGone(windows_path::DriveLetterOf(full), details);
  throw RuntimeError(action, details, SystemReason(error));
}

}  // namespace rt::win32
